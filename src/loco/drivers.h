#pragma once
// Driving locos: the two throttle panels (drivers 0 and 1), network
// throttles and throttle-device windows (drivers 2 and up, added at run
// time) each hold one loco. Binding a driver to its loco takes a loco
// request, the loco's slot data and a read of its data format; only then
// do its actions go out. Actions wait in a small queue per driver and each
// is applied, when its turn comes, to the loco's data as the station last
// reported them in this session (SlotData of its slot), so a change never
// rests on a blank, stale or click-time copy.
//
// One throttle job of the request engine serves every driver's queue in
// turn. Every new connection binds every driver anew. A stop the program
// decides for a loco (safety_stop) is never dropped: it goes out at once
// when the loco's slot is known, or as soon as the loco can be asked for.

#include "core/services.h"
#include "loconet/views.h"
#include "requests/engine.h"

#include <QObject>
#include <QString>
#include <deque>
#include <memory>
#include <vector>

class Slots;
struct SlotRec;

class Drivers : public QObject {
    Q_OBJECT
  public:
    Drivers(const Services& s, Slots& table);

    static constexpr int Panels = 2; // the throttle panels are drivers 0 and 1
    static constexpr int MaxAddress = ln::MaxLocoAddress;
    // Unsent actions a driver may have waiting; more are not taken.
    static constexpr int MaxQueued = 16;

    // A network throttle or a throttle-device window gets a driver number
    // (2 and up) and gives it back when it goes; its loco is released
    // without a bus message.
    int add_driver();
    void remove_driver(int d);
    // d is a panel or a driver added and not removed.
    bool valid(int d) const;

    // Binds d to loco adr (1..16383): loco request, slot data, format read.
    // Changes nothing of the loco's speed, direction or functions. Nothing
    // happens when d holds adr already (bound or being bound). False when
    // adr is no loco address or the binding cannot run now (panels are
    // told by a message box, the others by refused()).
    bool acquire(int d, int adr);
    // d follows loco adr without asking for it: it takes the loco's slot
    // when the bus reports it (a throttle device asks itself), and asks
    // anew only on a new connection.
    void watch(int d, int adr);
    // d forgets its loco; no bus message. Unsent actions are dropped.
    void release(int d);
    // A network driver goes: the actions it has waiting go out first, and
    // with stop its loco is stopped (never dropped, also across a lost
    // connection); then the driver is removed.
    void leave(int d, bool stop);
    // Speed 0 (emergency: 1) for d's loco, decided by the program (a phone
    // gone silent): speeds d still has waiting are dropped; nothing refuses it.
    void safety_stop(int d, bool emergency = false);
    // Loco adr has a new data format: every driver holding it asks for it
    // again at its next action.
    void forget_format(int adr);

    // The loco address d holds, 0 for none.
    int address(int d) const;
    // The slot of its loco; -1 while it is being bound or has none.
    int slot(int d) const;
    // Slot and data format are known.
    bool is_bound(int d) const;
    // The loco's record as the station reported it (SlotData of its slot);
    // the blank record while d has no slot.
    const SlotRec& loco(int d) const;
    // loco(d) with d's changes of speed, direction and F0..F8 that have not
    // come back from the bus yet: the latest intent, from which the next
    // change is computed. Function groups (F9..F28) show only when their
    // message has come back.
    SlotRec shown(int d) const;

    // Actions. A driver not bound to the loco it holds is bound first; an
    // action that arrives while its loco is being bound waits for it. False
    // when nothing was queued (no loco held, refused, queue full).
    // LocoNet speed 0..127 (1 = emergency stop); a speed not yet sent is
    // replaced by the next speed of the same driver.
    bool speed(int d, int value);
    // dir 0 forward, 1 reverse; stop: speed 0 follows the direction.
    bool direction(int d, int dir, bool stop);
    bool toggle_direction(int d, bool stop);
    // Function n 0..28 on or off, or turned over.
    bool function(int d, int n, bool on);
    bool toggle_function(int d, int n);

  signals:
    // d's slot and data format are known (after a format read that went
    // unanswered the format is "no known format").
    void bound(int d);
    // No slot data for d's loco (refused or not in time, or the connection
    // went away while binding): its waiting actions were dropped. Panels
    // also show a box.
    void bind_failed(int d, const QString& why);
    // What d shows of its loco changed: a message about its slot from any
    // throttle, its own unsent changes, or (slotData) the slot's data
    // arrived and d has just taken the slot.
    void changed(int d, bool slotData);
    // An action of a driver other than a panel was not taken: disconnected,
    // or a long job runs. (Panels get the engine's message box.)
    void refused(int d, const QString& why);
    // A driver that was leaving has stopped its loco and is gone.
    void left(int d);

  private:
    class ThrottleJob;
    struct Action {
        enum Kind { Speed, Direction, ToggleDirection, Function, ToggleFunction } kind;
        int value = 0;       // speed, direction 0/1 or function number
        bool flag = false;   // direction: stop after it; function: on
        bool fixed = false;  // the stop after a direction: never replaced
        bool safety = false; // a stop the program decided: kept across connections
    };
    struct Seat {
        bool used = false;
        int adr = 0;        // network drivers; panels keep it in ThrLoco(i).Adr
        int slot = -1;      // network drivers; panels keep it in ThrSlot(i)
        bool ready = false; // slot and format known for adr
        bool bind = false;  // a binding is due or running
        bool watch = false; // follows the bus, asks only on a new connection
        bool leaving = false;
        bool stopping = false; // a safety stop is on its way, past the queue
        std::deque<Action> queue;
        // The last message sent for the driver until the bus has it back.
        QByteArray inflight;
    };

    bool take(int d, const Action& a);
    bool accept(int d);
    void pump();
    void new_session();
    void ended(End how);
    bool has_work(int d) const;
    int with_work(int after) const;
    void fail_bind(int d, bool tell, const QString& why);
    void take_slot(int s, bool plain);
    void slot_changed(int s);
    void reshow(int d, bool slotData = false);
    void drop_speeds(Seat& seat);
    // A leaving driver with nothing left to send is removed.
    void gone_if_done(int d);
    static int kind(const Action& a);
    // The record after action a; function groups only when asked.
    static void apply(SlotRec& r, const Action& a, bool groups);
    int& adr_of(int d);
    int& slot_of(int d);
    int adr_of(int d) const;
    int slot_of(int d) const;

    Services s_;
    Slots& slots_;
    std::vector<Seat> seats_;
    std::weak_ptr<ThrottleJob> job_;
};
