#pragma once
// Reading and writing one special option of the command station by number.

#include <QWidget>

class Application;
class QLineEdit;
class QPushButton;

class SOWindow : public QWidget {
    Q_OBJECT
  public:
    explicit SOWindow(Application& core, QWidget* parent = nullptr);

  private:
    void check_fields();
    void show_option(int number, int value);

    Application& core_;
    QLineEdit* SO_NR_TXT;
    QLineEdit* SO_VAL_TXT;
    QPushButton* rd_so;
    QPushButton* wr_so;
};
