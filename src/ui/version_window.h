#pragma once
// Serial number and software version of the command station: asked for
// whenever the window is opened or brought to the front.

#include <QWidget>

class Core;
class QLabel;

class VersionWindow : public QWidget {
    Q_OBJECT
  public:
    explicit VersionWindow(Core& core, QWidget* parent = nullptr);

  protected:
    bool event(QEvent* event) override;

  private:
    void show_version(const QString& serial, const QString& version);

    Core& core_;
    QLabel* SeriLbl;
    QLabel* VersionLbl;
};
