#pragma once
// The locos the WiThrottle clients drive, through the program's loco
// driver: each loco a client holds has a driver of its own, bound, driven
// and released by the same requests as a throttle panel's loco, and every
// command is built from the state the station reported for the loco.

#include <QList>
#include <QObject>
#include <QString>
#include <map>

class Slots;
struct SlotRec;

class WtLocos : public QObject {
    Q_OBJECT
  public:
    explicit WtLocos(Slots& table);

    // A driver for a loco a client takes; its handle.
    int open();
    // Releases the driver's loco on the bus and forgets the driver.
    void close(int handle);
    // Binds the loco (loco request, format read) without changing it.
    void acquire(int handle, int address);
    // LocoNet speed 0..127 (1 = emergency stop).
    void speed(int handle, int spd);
    void direction(int handle, bool reverse);
    void function(int handle, int n, bool on);

    // The loco's slot as the station reported it; null while it has none.
    const SlotRec* reported(int handle) const;
    // The locos of the slot table, and the loco of slot s (0 for none).
    QList<int> in_slots() const;
    int address_in(int slot) const;

  signals:
    void bound(int handle);
    void bind_failed(int handle, const QString& why);
    // Speed, direction, functions or format of loco slot s changed.
    void changed(int slot);

  private:
    Slots& slots_;
    int next_ = 1;
    std::map<int, int> address_; // handle -> loco address
};
