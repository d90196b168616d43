#pragma once
// The display of one Kennix receiver: the last loco it saw, its train
// category, direction and speed. Every copy is named "KennixWin"; the slot
// it belongs to is its tag.

#include <QWidget>

class Kennix;
class QLabel;

class KennixWin : public QWidget {
    Q_OBJECT
  public:
    KennixWin(Kennix& kennix, int slot, QWidget* parent);

    int tag() const { return slot_; }
    // Caption and texts from the slot.
    void show_slot();

  protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    Kennix& kennix_;
    const int slot_;
    QLabel* LadrTxt;
    QLabel* ZkTXT;
    QLabel* FRTxt;
    QLabel* SpeedTxt;
};
