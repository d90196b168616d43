#include "pultrix.h"

#include "core/colour.h"
#include "core/messages.h"
#include "loconet/dispatch.h"
#include "loconet/link.h"
#include "programming/lncv.h"
#include "drivers.h"
#include "slots.h"
#include "throttle.h"
#include "loconet/views.h"

namespace {
const QString kAchtung = QStringLiteral("Achtung!");
const QString kMaxFenster =
    QStringLiteral("Max. Anzahl von Fenstern für Pultrix Fahrregler erreicht!");

} // namespace

Pultrix::Pultrix(const Services& s, Slots& table, Drivers& drivers, LncvProg& lncv)
    : s_(s), slots_(table), drivers_(drivers), lncv_(lncv)
{
    s.dispatch.onPeer(ln::cmd::LncvAnswer, [this](const ln::Msg& m) { rx_announce(m); });
    for (const uint8_t op : {ln::op::LocoAdr, ln::op::LocoAdrAlt})
        s.dispatch.on(op, [this](const ln::Msg& m) { rx_loco_request(m); });
    connect(&table, &Slots::slot_data, this, &Pultrix::slot_data);
    connect(&drivers, &Drivers::changed, this, &Pultrix::driver_changed);
}

int Pultrix::window_of(int d) const
{
    for (int w = 1; w <= Windows; ++w)
        if (PxWinTab[size_t(w)].InUse && PxWinTab[size_t(w)].Driver == d)
            return w;
    return 0;
}

// The window's loco from now on: it shows it as soon as the station
// reports it, and nothing of the loco shown before.
void Pultrix::give(int w, int adr)
{
    PxWin& e = PxWinTab[size_t(w)];
    e.Adr = adr;
    drivers_.watch(e.Driver, adr);
    emit px_show(w, view(w));
}

std::optional<int> Pultrix::address(const QString& text)
{
    const int adr = leading_number(text, MaxAddress);
    return adr >= 1 && adr <= MaxAddress ? std::optional<int>(adr) : std::nullopt;
}

// A device whose entry is open asks for its loco itself: its window shows
// that loco from now on. The program's own requests are for its own
// drivers. With several entries open nobody can tell which device asked.
void Pultrix::rx_loco_request(const ln::Msg& m)
{
    if (s_.link.own_echo())
        return;
    const int adr = ln::LocoRequest(m).address();
    int open = 0;
    for (int w = 1; w <= Windows; ++w) {
        const PxWin& e = PxWinTab[size_t(w)];
        if (e.InUse && e.EntryOpen)
            open = open == 0 ? w : -1;
    }
    if (open > 0 && PxWinTab[size_t(open)].Adr != adr)
        give(open, adr);
}

// A device announces itself with the LNCV 0 answer of its own: article 7093,
// its number as the value. An LNCV 0 read from the programming window looks
// the same and opens the window too.
void Pultrix::rx_announce(const ln::Msg& m)
{
    const ln::LncvMessage a(m);
    if (!ln::LncvMessage::is(m) || a.kind() != ln::LncvMessage::Kind::Answer ||
        a.article() != Article || a.lncv() != 0 || m[2] != 0x05 || m[3] != 0x00 || m[4] != 0x00)
        return;
    const int dev = a.value();
    int free = 0;
    for (int w = 1; w <= Windows; ++w) {
        PxWin& e = PxWinTab[size_t(w)];
        if (e.InUse && e.Dev == dev) {
            e.EntryOpen = true;
            emit entry_reopened(w);
            return;
        }
        if (!e.InUse && free == 0)
            free = w;
    }
    if (free == 0) {
        s_.msgs.show(kAchtung, kMaxFenster, MsgIcon::Critical);
        return;
    }
    PxWinTab[size_t(free)] = PxWin{true, dev, 0, drivers_.add_driver(), true};
    emit window_opened(free);
}

bool Pultrix::ok_clicked(int w, const QString& text)
{
    const auto adr = address(text);
    if (!in_use(w) || !adr || !lncv_.write_lncv(Article, LocoLncv, *adr))
        return false;
    PxWinTab[size_t(w)].EntryOpen = false;
    give(w, *adr);
    return true;
}

void Pultrix::f70930_end(int w)
{
    if (!in_use(w))
        return;
    drivers_.remove_driver(PxWinTab[size_t(w)].Driver);
    PxWinTab[size_t(w)] = PxWin{};
}

// Slot data for a window's loco closes its entry: the device has its loco.
void Pultrix::slot_data(int s, bool plain)
{
    for (int w = 1; w <= Windows; ++w) {
        PxWin& e = PxWinTab[size_t(w)];
        if (plain && e.InUse && e.EntryOpen && e.Adr > 0 && drivers_.slot(e.Driver) == s) {
            e.EntryOpen = false;
            emit px_show(w, view(w));
        }
    }
}

void Pultrix::driver_changed(int d)
{
    if (const int w = window_of(d))
        emit px_show(w, view(w));
}

PxView Pultrix::view(int w) const
{
    PxView v;
    if (!in_use(w) || drivers_.slot(PxWinTab[size_t(w)].Driver) < 0)
        return v;
    const PxWin& e = PxWinTab[size_t(w)];
    const SlotRec& r = drivers_.loco(e.Driver);
    // While the entry is open the field is the user's: the loco shown so far
    // must not overwrite what is being typed.
    if (!e.EntryOpen)
        v.ladr = QString::number(r.Adr);
    const int step = speed_step(r.Spd, r.Steps);
    if (step >= 0)
        v.fst = QString::number(step);
    for (int n = 0; n < Functions; ++n)
        v.fanz[size_t(n)] = function_on(r, n) ? colour::Yellow : colour::White;
    v.dir = (r.Dirf & ln::LocoDirf::Reverse) ? 1 : 0;
    v.entryOpen = e.EntryOpen;
    return v;
}

QPoint Pultrix::tile_position(int w, QSize frame, QRect screen)
{
    const int width = std::max(frame.width(), 1), height = std::max(frame.height(), 1);
    const int rows = std::max(screen.height() / height, 1);
    const int col = (w - 1) / rows, row = (w - 1) % rows;
    const int x = std::max(screen.left(), screen.right() + 1 - (col + 1) * width);
    return {x, screen.bottom() + 1 - (row + 1) * height};
}
