#pragma once
// The locos the WiThrottle clients drive, through the program's loco
// drivers: each loco a client holds has a network driver of its own,
// bound, driven and released by the same requests as a throttle panel's
// loco, and every command is built from the state the station reported.

#include <QObject>
#include <QString>
#include <optional>
#include <set>

class Drivers;
struct SlotRec;

class WtLocos : public QObject {
    Q_OBJECT
  public:
    explicit WtLocos(Drivers& drivers);

    // A driver for a loco a client takes; its handle.
    int open();
    // The client lets the loco go. What it asked for still goes out; with
    // `stop` a moving loco then gets speed 0, which nothing drops. The
    // driver goes once all is sent.
    void close(int handle, bool stop);
    // Binds the loco (loco request, format read) without changing it. False
    // when it cannot run now (refused() tells why).
    bool acquire(int handle, int address);
    // LocoNet speed 0..127 (1 = emergency stop).
    void speed(int handle, int spd);
    // A stop the program decided (the client went silent): never refused.
    void stop(int handle, bool emergency);
    // A change of direction keeps the speed: the apps have their own
    // setting for stopping on a change of direction.
    void direction(int handle, bool reverse);
    void function(int handle, int n, bool on);
    // Turned over from the state the station reports when its turn comes.
    void toggle_function(int handle, int n);

    // The loco as the station reported it; null until it is bound.
    const SlotRec* reported(int handle) const;
    // The loco after every change the handle asked for: what its next
    // change starts from. Null until it is bound.
    std::optional<SlotRec> intended(int handle) const;
    // A throttle panel shows that loco.
    bool on_panel(int address) const;

  signals:
    void bound(int handle);
    void bind_failed(int handle, const QString& why);
    // What the station reported of the handle's loco changed.
    void changed(int handle);
    // An action of the handle was not taken: no connection, or a long job
    // runs (why says which).
    void refused(int handle, const QString& why);

  private:
    Drivers& drivers_;
    std::set<int> leaving_; // handles whose stop is still to go out
};
