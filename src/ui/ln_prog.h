#pragma once
// The LNCV programming window: a module by article number and module
// address is put into programming mode, its LNCVs are read and written one
// at a time, and programming mode is ended. The jobs run in the core.

#include <QWidget>

class Application;
class QLineEdit;
class QPushButton;

class LNProg : public QWidget {
    Q_OBJECT
  public:
    LNProg(Application& core, QWidget* parent);

    // Opened from the menu: a hidden window starts afresh with the article
    // number and module address used last.
    void open();

  private:
    void set_programming(bool on);
    void start_clicked();
    void end_clicked();
    void read_clicked();
    void write_clicked();

    Application& core_;
    QLineEdit* LNArtNrTxt;
    QLineEdit* LNModAdrTxt;
    QLineEdit* LNCV_NR_TXT;
    QLineEdit* LNCV_VAL_TXT;
    QPushButton* StartBut;
    QPushButton* EndBut;
    QPushButton* Rd_lncvBut;
    QPushButton* WR_lncvBut;
};
