#pragma once
// The help window: the lines of the help file in a list.

#include <QWidget>

class Application;
class QListWidget;

class HelpWindow : public QWidget {
    Q_OBJECT
  public:
    explicit HelpWindow(Application& core, QWidget* parent = nullptr);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void fill();

    Application& core_;
    QListWidget* HlpTxt;
};
