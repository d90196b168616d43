#pragma once
// The feedback page of MainTab: the page selector, sixteen sensor
// indicators with a button each that sends the opposite state, and the
// key-entry window Taste_Radr that a digit typed on the page opens.

#include "panel_parts.h"

#include <QWidget>
#include <array>

class Application;
class KeyEntryWindow;
class Lamp;
class QComboBox;
class QLabel;
class QPushButton;

class FeedbackPage : public QWidget {
    Q_OBJECT
  public:
    // Taste_Radr is a window of its own, parented to mainWin.
    FeedbackPage(Application& core, QWidget* mainWin);

    // A digit typed while the page is shown.
    void key_entry(int digit);

  private:
    void show_page(int index);
    void show_state(int index, int colour);

    Application& core_;
    KeyEntryWindow* Taste_Radr;
    PageHead head_;
    std::array<Lamp*, 16> RM_Anz{};
    std::array<QPushButton*, 16> RMChgBut{};
};
