#pragma once
// The receiver windows of train identification and the question asked when
// one is closed. Follows the core's slots: opens, places and updates a
// window per slot, hides it when its slot is freed (it is reused later).

#include "trainid/kennix.h"

#include <QObject>
#include <array>

class KennixWin;
class QDialog;
class QLabel;
class QPushButton;
class QWidget;

class KennixWindows : public QObject {
    Q_OBJECT
  public:
    KennixWindows(Kennix& kennix, QWidget* mainWin);

    // The window of slot k, null while that slot never had one.
    KennixWin* window(int k) const;

  private:
    void window_shown(int k, Kennix::Place place);
    void place_tiled(KennixWin* w);
    void close_question(int k);
    QDialog* build_dialog();

    Kennix& kennix_;
    QWidget* mainWin_;
    std::array<KennixWin*, Kennix::Windows + 1> windows_{}; // slots 1..20
    QLabel* FrageTxt = nullptr;
    QPushButton* CancelButton = nullptr; // "Ja"
    QDialog* Dialog = nullptr;
};
