#pragma once
// Accessory keyboard logic: the page of 16 accessories shown, switching by
// mouse (the coil is on while the key is held) and by typed number, the
// switch-state poll of the page, and the switch reports that colour the
// indicators and feed the route triggers.

#include "accessory/key_entry.h"
#include "core/colour.h"
#include "core/services.h"
#include "requests/engine.h"

#include <QObject>
#include <memory>
#include <optional>

namespace ln {
class Msg;
}

class Keyboard : public QObject {
    Q_OBJECT
  public:
    explicit Keyboard(const Services& s);

    int KeybBase = 0; // 0-based address of the first accessory of the page

    static constexpr int Accessories = 2048;
    static constexpr double AnswerTimeout = 2.0;
    static constexpr double PulsePause = 0.2; // on message to off message of a typed switch

    // KeybNrCo_Click: a page other than the one shown is polled; the
    // texts are rewritten in every case.
    void select_page(int index);
    // A new connection starts on page 1 and polls it; the poll, or null.
    std::shared_ptr<Job> first_page();
    // The switch-state poll of the page shown; one still running for
    // another page is replaced.
    std::shared_ptr<Job> poll_page(ReqEngine::Caller caller = ReqEngine::Caller::Quiet);

    // KB_rot(i) (dir 0) or KB_grn(i) (dir 1) pressed: the on message, unless
    // refused with a box (not connected, a long job runs); false then.
    bool press(int i, int dir);
    // The key taken by press() released: its off message, behind whatever
    // runs; only a lost connection drops it.
    void release();
    // A switch by number: on message, a pause, off message. Numbers
    // outside 1..2048 send nothing. Switches asked for while one runs
    // follow it, so no coil is left powered. False when refused.
    bool switch_pulse(int number, int dir,
                      ReqEngine::Caller caller = ReqEngine::Caller::Follow);

    // Number typed in the key-entry window; "R" red, "G" green.
    KeyEntry Taste_Wadr;

    // Entry k of KeybNrCo.
    static QString page_entry(int k);
    QString key_tip(int i, int dir) const;

  signals:
    // KB_Anz(index) takes the colour.
    void kb_anz(int index, int colour);
    // The page shown, its range label and tool tips are to be drawn.
    void page_shown(int index);
    // Every switch report with the output on, whatever page is shown.
    void route_trigger_ma(int a, int dir);

  private:
    class PollJob;
    class PulseJob;
    void sw_report(const ln::Msg& m);
    bool post_switch(int a, int dir, int on, ReqEngine::Caller caller);
    // The station did not take a switch message.
    void refused(int code);

    // Taste_Wadr's letters: switch_pulse, when the user's action may run
    // now; false when refused with a box.
    bool typed_switch(int number, int dir);

    struct Held {
        int a, dir;
    };

    Services s_;
    std::optional<Held> held_; // the key pressed, whose off message is due
    std::weak_ptr<Job> poll_;
};
