#pragma once
// Accessory keyboard logic: the page of 16 accessories shown, the
// switch-state poll of that page (job 1) and the indicators' colours.

#include "core/colour.h"
#include "core/services.h"

#include <QObject>

namespace ln {
class Msg;
}

class Keyboard : public QObject {
    Q_OBJECT
  public:
    explicit Keyboard(const Services& s);

    int KeybBase = 0; // 0-based address of the first accessory of the page

    // Posts the switch-state poll of the page shown.
    void poll_page();

    static constexpr double AnswerTimeout = 2.0;

  signals:
    // KB_Anz(index) takes the colour.
    void kb_anz(int index, int colour);

  private:
    bool state_poll();
    void sw_state_answer(const ln::Msg& m);

    Services s_;
};
