#pragma once
// The accessory keyboard page of MainTab: the page selector, sixteen pairs
// of red and green keys with their state indicators, and the key-entry
// window Taste_Wadr that a digit typed on the page opens.

#include "panel_parts.h"

#include <QWidget>
#include <array>

class Application;
class KeyEntryWindow;
class Lamp;
class QComboBox;
class QLabel;
class QPushButton;

class KeyboardPage : public QWidget {
    Q_OBJECT
  public:
    // Taste_Wadr is a window of its own, parented to mainWin.
    KeyboardPage(Application& core, QWidget* mainWin);

    // A digit typed while the page is shown.
    void key_entry(int digit);

  protected:
    // The keys act on the mouse button itself: the coil is on while the
    // left button is held, also when the window is locked meanwhile.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void show_page(int index);
    void show_state(int index, int colour);

    Application& core_;
    KeyEntryWindow* Taste_Wadr;
    PageHead head_;
    std::array<std::array<QPushButton*, 16>, 2> keys_{}; // [0] KB_rot, [1] KB_grn
    std::array<Lamp*, 16> KB_Anz{};
    QPushButton* held_ = nullptr; // pressed and taken: its release is due
};
