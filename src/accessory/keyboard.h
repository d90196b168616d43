#pragma once
// Accessory keyboard logic: the page of 16 accessories shown, switching by
// mouse (the coil is on while the key is held) and by typed number, the
// switch-state poll of the page (job 1), and the switch reports that colour
// the indicators and feed the route triggers.

#include "accessory/key_entry.h"
#include "core/colour.h"
#include "core/services.h"

#include <QObject>
#include <deque>
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
    // A new connection starts on page 1 and polls it.
    void first_page();
    // Posts the switch-state poll of the page shown.
    void poll_page();

    // KB_rot(i) (dir 0) or KB_grn(i) (dir 1) pressed: the on message, unless
    // refused with a box (not connected, another job must finish); false then.
    bool press(int i, int dir);
    // The key taken by press() released: its off message, after a job
    // that must not be cut off when one runs.
    void release();
    // A switch by number: on message, a pause, off message. Numbers
    // outside 1..2048 send nothing. Switches asked for while one runs
    // follow it, so no coil is left powered. For the program's own use:
    // it asks nobody.
    void switch_pulse(int number, int dir);
    // Advances the typed switches; once per main tick, after the engine.
    void pulse_step();
    void cancel_pulses();

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
    bool state_poll();
    bool switch_job(int job);
    void sw_state_answer(const ln::Msg& m);
    void sw_report(const ln::Msg& m);
    void post_switch(int a, int dir, int on);

    // Taste_Wadr's letters: switch_pulse, when the user's action may run
    // now; false when refused with a box.
    bool typed_switch(int number, int dir);

    struct Pulse {
        int a, dir;
        bool offOnly = false; // a held key's off message, still due
    };
    enum class Phase { Due, On, Pause, Off };

    Services s_;
    std::deque<Pulse> pulses_;
    Phase phase_ = Phase::Due;
    double pauseStart_ = 0;
    std::optional<Pulse> held_; // the key pressed, whose off message is due
};
