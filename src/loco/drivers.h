#pragma once
// Driving locos: the two throttle panels (drivers 0 and 1) and network
// throttles (drivers 2 and up, added at run time) each hold one loco.
// Binding a driver to its loco takes a loco request, the loco's slot data
// and a read of its data format; only then do its actions go out. Actions
// wait in a small queue per driver and each is applied, when its turn
// comes, to the loco's data as the station last reported them (SlotData of
// its slot), so a change never rests on a blank or click-time copy.
//
// All of it runs as the throttle requests 30..39 of the request engine
// (30 + the action's kind); one request serves every driver's queue in
// turn before the engine goes idle.

#include "core/services.h"
#include "requests/engine.h"

#include <QObject>
#include <QString>
#include <deque>
#include <vector>

class Slots;
struct SlotRec;

class Drivers : public QObject {
    Q_OBJECT
  public:
    Drivers(const Services& s, Slots& table);

    static constexpr int Panels = 2; // the throttle panels are drivers 0 and 1
    static constexpr int MaxAddress = 16383;
    // Unsent actions a driver may have waiting; more are not taken.
    static constexpr int MaxQueued = 16;

    // A network throttle gets a driver number (2 and up) and gives it back
    // when it goes; its loco is released without a bus message.
    int add_driver();
    void remove_driver(int d);
    // d is a panel or a driver added and not removed.
    bool valid(int d) const;

    // Binds d to loco adr (1..16383): loco request, slot data, format read.
    // Changes nothing of the loco's speed, direction or functions. Nothing
    // happens when d holds adr already (bound or being bound). False when
    // adr is no loco address or the binding cannot be posted now (panels
    // are told by a message box, network drivers by refused()).
    bool acquire(int d, int adr);
    // d forgets its loco; no bus message. Unsent actions are dropped.
    void release(int d);
    // Binds d again to the loco it held (after a reconnect), without any
    // action and without a box; nothing when it held none.
    void rebind(int d);

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
    // come back from the bus yet; function groups (F9..F28) show only when
    // their message has come back.
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

    // Posts the waiting work when the engine is idle and online; called on
    // every tick, so an action that had to wait (another job ran, or its
    // request was replaced) still goes out.
    void pump();

  signals:
    // d's slot and data format are known (after a format read that went
    // unanswered the format is "no known format").
    void bound(int d);
    // No slot data for d's loco in time (or the connection went away while
    // binding): its waiting actions were dropped. Panels also show a box.
    void bind_failed(int d);
    // What d shows of its loco changed: a message about its slot from any
    // throttle, its own unsent changes, or (slotData) the slot's data
    // arrived and d has just taken the slot.
    void changed(int d, bool slotData);
    // A network driver's action was not taken: disconnected, or a job runs
    // that must not be cut off. (Panels get the engine's message box.)
    void refused(int d, ReqEngine::Refusal why);

  private:
    struct Action {
        enum Kind { Speed, Direction, ToggleDirection, Function, ToggleFunction } kind;
        int value = 0;      // speed, direction 0/1 or function number
        bool flag = false;  // direction: stop after it; function: on
        bool fixed = false; // the stop after a direction: never replaced
    };
    struct Seat {
        bool used = false;
        int adr = 0;        // network drivers; panels keep it in ThrLoco(i).Adr
        int slot = -1;      // network drivers; panels keep it in ThrSlot(i)
        bool ready = false; // slot and format known for adr
        bool bind = false;  // a binding is due or running
        std::deque<Action> queue;
        // The last message sent for the driver until the bus has it back.
        std::vector<int> inflight;
    };

    bool take(int d, const Action& a);
    bool accept(int d);
    bool lok_request();
    // Goes on with the next driver that has work; true when none has.
    bool next();
    void ending(ReqEngine::End how);
    bool has_work(int d) const;
    int with_work(int after) const;
    // The running request binds a loco: nothing may cut it off.
    bool binding() const;
    bool binding_for(int d) const;
    void fail_bind(int d, bool tell);
    void take_slot(int s, bool plain);
    void slot_changed(int s);
    void reshow(int d, bool slotData = false);
    int kind_of(int d) const;
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
};
