#pragma once
// Serial number and software version of the command station: asked for
// whenever the window is opened.

#include <QWidget>

class Application;
class QLabel;

class VersionWindow : public QWidget {
    Q_OBJECT
  public:
    explicit VersionWindow(Application& core, QWidget* parent = nullptr);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void show_version(const QString& serial, const QString& version);

    Application& core_;
    QLabel* SeriLbl;
    QLabel* VersionLbl;
};
