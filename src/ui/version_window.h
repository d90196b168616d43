#pragma once
// Serial number and software version of the command station: asked for
// whenever the window is opened or brought to the front.

#include <QWidget>

class Application;
class QLabel;

class VersionWindow : public QWidget {
    Q_OBJECT
  public:
    explicit VersionWindow(Application& core, QWidget* parent = nullptr);

  protected:
    bool event(QEvent* event) override;

  private:
    void show_version(const QString& serial, const QString& version);

    Application& core_;
    QLabel* SeriLbl;
    QLabel* VersionLbl;
};
