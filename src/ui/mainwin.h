#pragma once

#include <QMainWindow>

class Core;

class MainWin : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainWin(Core& core, QWidget* parent = nullptr);

  private:
    Core& core_;
};
