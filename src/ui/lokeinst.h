#pragma once
// The data format of a single loco: read whenever the address changes or
// the window is activated, written on "Einstellung übernehmen".

#include <QWidget>

class Application;
class QComboBox;
class QLineEdit;
class QPushButton;

class Lokeinst : public QWidget {
    Q_OBJECT
  public:
    explicit Lokeinst(Application& core, QWidget* parent = nullptr);

    // Shows the window; activated, it reads the format of the address it holds.
    void open();

  protected:
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void address_changed();
    void read_format();
    void show_format(int adr, int entry);
    void set_mode();

    Application& core_;
    QLineEdit* LokadrTxt;
    QComboBox* LokdatenfCO;
    QPushButton* SetModeBut;
};
