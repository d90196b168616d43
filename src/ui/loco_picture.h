#pragma once
// The loco picture of a throttle panel: shows a picture by name and
// remembers which, so the same state is not looked up and loaded again. A
// missing file shows the fallback picture, or nothing when that is missing
// too; a click turns the loco round.

#include <QLabel>
#include <functional>

class LocoPicture : public QLabel {
    Q_OBJECT
    // The file shown; empty when none.
    Q_PROPERTY(QString file READ file)
  public:
    // locate gives the path of a picture name.
    LocoPicture(std::function<QString(const QString&)> locate, QString fallback,
                QWidget* parent = nullptr);

    QString file() const { return file_; }
    // Shows the picture unless it is the one asked for last time.
    void show_picture(const QString& name);
    // The next show_picture loads its picture whatever it is.
    void forget() { wanted_.clear(); }

  signals:
    void clicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    std::function<QString(const QString&)> locate_;
    QString fallback_, wanted_, file_;
};
