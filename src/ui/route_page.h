#pragma once
// The route page of MainTab (memory panel): the page selector, sixteen
// routes with a request key, an indicator painted by the route engine and
// a release key each, and the key-entry window Taste_Fadr that a digit
// typed on the page opens.

#include "panel_parts.h"

#include <QWidget>
#include <array>

class Application;
class KeyEntryWindow;
class Lamp;
class QPushButton;

class RoutePage : public QWidget {
    Q_OBJECT
  public:
    // Taste_Fadr is a window of its own, parented to mainWin.
    RoutePage(Application& core, QWidget* mainWin);

    // A digit typed while the page is shown.
    void key_entry(int digit);

  private:
    void show_page(int index);
    void show_state(int index, int colour);

    Application& core_;
    KeyEntryWindow* Taste_Fadr;
    PageHead head_;
    std::array<Lamp*, 16> FS_Anz{};
    std::array<std::array<QPushButton*, 16>, 2> keys_{}; // FSSetBut, FSRsBut
};
