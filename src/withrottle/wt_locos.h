#pragma once
// The locos the WiThrottle clients drive, through the program's loco
// drivers: each loco a client holds has a network driver of its own,
// bound, driven and released by the same requests as a throttle panel's
// loco, and every command is built from the state the station reported.

#include <QList>
#include <QObject>
#include <QString>
#include <map>

class Drivers;
class Slots;
struct SlotRec;

class WtLocos : public QObject {
    Q_OBJECT
  public:
    WtLocos(Slots& table, Drivers& drivers);

    // A driver for a loco a client takes; its handle.
    int open();
    // The client lets the loco go. With `stop` a moving loco gets speed 0
    // first; the driver goes once the bus has it back (or after StopTimeout).
    void close(int handle, bool stop);
    // Binds the loco (loco request, format read) without changing it. False
    // when it cannot be posted now (refused() tells why).
    bool acquire(int handle, int address);
    // Binds the loco again after a new connection: its slot may have changed.
    void rebind(int handle);
    // LocoNet speed 0..127 (1 = emergency stop).
    void speed(int handle, int spd);
    // A change of direction is followed by speed 0, as on the panels.
    void direction(int handle, bool reverse);
    void function(int handle, int n, bool on);
    // Turned over from the state the station reports when its turn comes.
    void toggle_function(int handle, int n);

    // The loco as the station reported it; null until it is bound.
    const SlotRec* reported(int handle) const;
    // The locos of the slot table, and the loco of slot s (0 for none).
    QList<int> in_slots() const;
    int address_in(int slot) const;

    static constexpr double StopTimeout = 5.0;
    // Lets go of drivers whose stop never came back; now = the clock's seconds.
    void sweep(double now);

  signals:
    void bound(int handle);
    void bind_failed(int handle, const QString& why);
    // What the station reported of the handle's loco changed.
    void changed(int handle);
    // An action of the handle was not taken: no connection, or a job runs
    // that must not be cut off.
    void refused(int handle);
    // Slot data for slot s arrived (a loco may be new to the slot table).
    void slot_seen(int slot);

  private:
    void stopped(int handle);

    Slots& slots_;
    Drivers& drivers_;
    std::map<int, double> leaving_; // handle -> when its stop was asked for; -1 not yet timed
};
