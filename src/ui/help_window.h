#pragma once
// The help window: the lines of the help file in a list.

#include <QWidget>

class Core;
class QListWidget;

class HelpWindow : public QWidget {
    Q_OBJECT
  public:
    explicit HelpWindow(Core& core, QWidget* parent = nullptr);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void fill();

    Core& core_;
    QListWidget* HlpTxt;
};
