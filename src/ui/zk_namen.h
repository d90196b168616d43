#pragma once
// The user's names for the four Kennix train categories. They are kept in
// the core until the program ends, when zk.dat is written.

#include <QDialog>
#include <array>

class Kennix;
class QLineEdit;

class ZkNamen : public QDialog {
    Q_OBJECT
  public:
    ZkNamen(Kennix& kennix, QWidget* parent);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void accept_names();

    Kennix& kennix_;
    std::array<QLineEdit*, 4> ZkTXT{};
};
