#pragma once
// The Pultrix throttle devices on the bus: each device that announces itself
// (its LNCV 0 answer) gets a window, in which the user gives it a loco
// (written to its LNCV 10). The window then mirrors that loco as the
// station reports it in this session (a loco driver that only watches):
// address, speed step, direction and F0..F14. It never drives.

#include "core/services.h"

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>
#include <array>
#include <optional>

namespace ln {
class Msg;
}
class Drivers;
class LncvProg;
class Slots;

// One window entry.
struct PxWin {
    bool InUse = false;
    int Dev = 0; // device number: its LNCV 0
    int Adr = 0;     // loco address given to the device
    int Driver = -1; // the loco driver that watches its loco
    // The address may be entered; meanwhile a loco request on the bus from
    // another device (the Pultrix itself) gives the entry its loco, when it
    // is the only entry open.
    bool EntryOpen = false;
};

// What a window shows of its loco. Null texts leave their control as it is.
struct PxView {
    QString ladr;
    QString fst;
    std::array<int, 15> fanz{}; // F0..F14
    int dir = -1;               // arrow: -1 none, 0 forward, 1 reverse
    bool entryOpen = true;
};

class Pultrix : public QObject {
    Q_OBJECT
  public:
    Pultrix(const Services& s, Slots& table, Drivers& drivers, LncvProg& lncv);

    static constexpr int Windows = 20;
    static constexpr int Article = 7093; // as LNCV messages carry it
    static constexpr int LocoLncv = 10;
    static constexpr int MaxAddress = 10000;
    static constexpr int Functions = 15;

    std::array<PxWin, Windows + 1> PxWinTab{}; // entries 1..20

    // The loco address a text gives a device: the number it starts with,
    // when that lies in 1..10000.
    static std::optional<int> address(const QString& text);
    // OK in window w: the device gets the loco and the entry closes. False
    // for an address the device does not take, and when the write cannot
    // run now (refused with a box; the entry stays open).
    bool ok_clicked(int w, const QString& text);
    // Window w was closed: its entry is free.
    void f70930_end(int w);
    PxView view(int w) const;

    // Where the window of entry w goes: tiled in columns from the bottom
    // right of the screen, so that no two entries cover each other.
    static QPoint tile_position(int w, QSize frame, QRect screen);

  signals:
    // A new window for entry w: blank, captioned with its device.
    void window_opened(int w);
    // The device of entry w announced itself again: the entry is open.
    void entry_reopened(int w);
    void px_show(int w, const PxView& view);

  private:
    void rx_announce(const ln::Msg& m);
    void rx_loco_request(const ln::Msg& m);
    void slot_data(int s, bool plain);
    void driver_changed(int d);
    void give(int w, int adr);
    int window_of(int d) const;
    bool in_use(int w) const { return w >= 1 && w <= Windows && PxWinTab[size_t(w)].InUse; }

    Services s_;
    Slots& slots_;
    Drivers& drivers_;
    LncvProg& lncv_;
};
