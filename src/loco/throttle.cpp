#include "throttle.h"

#include "core/colour.h"
#include "core/messages.h"
#include "core/station_state.h"
#include "requests/engine.h"
#include "slots.h"

#include <algorithm>
#include <cmath>

namespace {
const QString kUngueltigeAdresse =
    QStringLiteral("Ungültige Lokadresse! Erlaubt sind 1 bis 16383.");

// Throttle request kinds by what they send.
enum Kind { Bind = 30, DirThenStop = 35, FnGroup = 36, Sound = 37, DirFunctions = 38, Speed = 39 };

// Key codes of the keyboard table.
enum Key {
    KeyBackspace = 8,
    KeyEscape = 27,
    Key0 = 48,
    Key9 = 57,
    KeyF1 = 112,
    KeyF12 = 123,
    KeyForward = 189,
    KeyReverse = 226
};

constexpr int DirBit = 0x20;
constexpr int BarMax = 126; // the speed bar's top value

// Where function n lives in a slot record.
struct FnPlace {
    enum Field { Dirf, Snd, Group } field;
    int group; // Ext index of a function group
    int mask;
};

FnPlace fn_place(int n)
{
    if (n == 0)
        return {FnPlace::Dirf, 0, 0x10};
    if (n <= 4)
        return {FnPlace::Dirf, 0, 1 << (n - 1)};
    if (n <= 8)
        return {FnPlace::Snd, 7, 1 << (n - 5)};
    if (n <= 11)
        return {FnPlace::Group, 7, 0x10 << (n - 9)};
    if (n == 12 || n == 20 || n == 28)
        return {FnPlace::Group, 5, 0x10 << ((n - 12) / 8)};
    if (n <= 19)
        return {FnPlace::Group, 8, 1 << (n - 13)};
    return {FnPlace::Group, 9, 1 << (n - 21)};
}

// Speed steps by column: the k-th start is the first speed value of step k.
constexpr std::array<int, 14> Starts14{2, 10, 19, 29, 38, 48, 56, 67, 76, 86, 95, 105, 114, 124};
constexpr std::array<int, 27> Starts27{2,  8,  13, 17, 22, 26, 31, 35, 40,  44,  49,  53,  58, 63,
                                       67, 71, 76, 80, 85, 89, 94, 98, 103, 107, 112, 116, 121};

template <std::size_t N> int step_of(const std::array<int, N>& starts, int v)
{
    return int(std::upper_bound(starts.begin(), starts.end(), v) - starts.begin());
}

int column(int steps)
{
    switch (steps) {
    case 14: return 0;
    case 28: return 1;
    case 128: return 2;
    case 31: return 3;
    case 15: return 4;
    case 27: return 5;
    default: return -1;
    }
}

int column_value(int v, int c)
{
    if (v < 2)
        return 0;
    switch (c) {
    case 0: return step_of(Starts14, v);
    case 1: return (v - 2) * 2 / 9 + 1;
    case 2: return v - 1;
    case 3: return v < 8 ? 1 : v / 4;
    case 4: return v < 8 ? 1 : (v - 8) / 9 + 2;
    default: return step_of(Starts27, v);
    }
}

using SpeedTable = std::array<std::array<int, 6>, 128>;

const SpeedTable& SpeedTab()
{
    static const SpeedTable table = [] {
        SpeedTable t{};
        for (int v = 0; v < 128; ++v)
            for (int c = 0; c < 6; ++c)
                t[size_t(v)][size_t(c)] = column_value(v, c);
        return t;
    }();
    return table;
}
} // namespace

int speed_step(int v, int steps)
{
    const int c = column(steps);
    if (c < 0 || v < 0 || v > 127)
        return -1;
    return SpeedTab()[size_t(v)][size_t(c)];
}

int digit_speed(int digit)
{
    return int(std::lround(digit * 127.0 / 9));
}

QString lok_picture_name(int f0, int f1, int f2, int dir)
{
    QString name = QStringLiteral("Lok");
    if (f0 == 1)
        name += u'l';
    if (f1 == 1)
        name += u'r';
    if (f2 == 1)
        name += u'f';
    name += dir == 1 ? u'r' : u'v';
    return name + QStringLiteral(".bmp");
}

int lok_address(const QString& text)
{
    int adr = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            break;
        adr = adr * 10 + (c.unicode() - '0');
        if (adr > Throttle::MaxAddress)
            return 0;
    }
    return adr;
}

bool function_on(const SlotRec& r, int n)
{
    const FnPlace p = fn_place(n);
    const int byte = p.field == FnPlace::Dirf  ? r.Dirf
                     : p.field == FnPlace::Snd ? r.Snd
                                               : r.Ext[size_t(p.group)];
    return byte & p.mask;
}

Throttle::Throttle(const Services& s, Slots& table) : s_(s), slots_(table)
{
    connect(&slots_, &Slots::lok_show, this, &Throttle::lok_show);
}

void Throttle::start(int i, int kind)
{
    const SlotRec& loco = slots_.ThrLoco[size_t(i)];
    change_[size_t(i)] = {kind, loco.Spd, loco.Dirf, loco.Snd};
    s_.req.ReqAdr = LokAdr[size_t(i)];
    s_.req.ReqThr = i;
    s_.req.post(kind);
}

void Throttle::keep_unsent(int i)
{
    const Change& c = change_[size_t(i)];
    // A direction change goes on as a speed request for the stop.
    const bool same = c.kind == s_.req.ReqJob || (c.kind == DirThenStop && s_.req.ReqJob == Speed);
    if (!same || !slots_.command_unsent(i))
        return;
    SlotRec& loco = slots_.ThrLoco[size_t(i)];
    switch (c.kind) {
    case DirThenStop: loco.Spd = c.Spd; [[fallthrough]];
    case DirFunctions: loco.Dirf = c.Dirf; break;
    case Sound:
        loco.Snd = c.Snd;
        loco.Ext[7] = (loco.Ext[7] & 0xF0) | c.Snd;
        break;
    case Speed: loco.Spd = c.Spd; break;
    default: break;
    }
}

bool Throttle::address_key(int i, const QString& text, bool enter)
{
    LokAdr[size_t(i)] = lok_address(text);
    slots_.ThrLoco[size_t(i)].Adr = -1;
    slots_.ThrSlot[size_t(i)] = -1;
    lok_reset(i);
    if (!enter)
        return false;
    if (LokAdr[size_t(i)] <= 0) {
        if (!text.isEmpty())
            s_.msgs.show(titles::Fehler, kUngueltigeAdresse, MsgIcon::Warning);
        return false;
    }
    start(i, Bind);
    return true;
}

bool Throttle::change_fst(int i, int value, bool scrolling)
{
    // While dragging, a request on its way is left to finish; the bar's
    // final position is sent when it is let go.
    if (scrolling && s_.req.ThrBusy)
        return true;
    if (LokAdr[size_t(i)] <= 0)
        return false;
    SpeedFrac[size_t(i)] = double(value) / BarMax;
    // The bar's 1..126 are speeds 2..127: it never sends the emergency stop.
    const int spd = value >= 1 ? value + 1 : 0;
    SlotRec& loco = slots_.ThrLoco[size_t(i)];
    if (spd != loco.Spd) {
        loco.Spd = spd;
        start(i, Speed);
    }
    return true;
}

void Throttle::set_dir(int d, int i)
{
    if (LokAdr[size_t(i)] <= 0)
        return;
    SlotRec& loco = slots_.ThrLoco[size_t(i)];
    loco.Spd = 0;
    loco.Dirf = (loco.Dirf & ~DirBit) | (d ? DirBit : 0);
    start(i, DirThenStop);
}

void Throttle::chge_dir(int i)
{
    set_dir((slots_.ThrLoco[size_t(i)].Dirf & DirBit) ? 0 : 1, i);
}

bool Throttle::picture_click(int i)
{
    if (LokAdr[size_t(i)] <= 0)
        return false;
    SlotRec& loco = slots_.ThrLoco[size_t(i)];
    loco.Spd = 0;
    loco.Dirf ^= DirBit;
    SpeedFrac[size_t(i)] = 0;
    start(i, DirFunctions);
    return true;
}

void Throttle::FCmd_Click(int index)
{
    if (index < 0 || index >= 2 * Functions)
        return;
    const int i = index / Functions;
    if (LokAdr[size_t(i)] <= 0)
        return;
    SlotRec& loco = slots_.ThrLoco[size_t(i)];
    const FnPlace p = fn_place(index % Functions);
    switch (p.field) {
    case FnPlace::Dirf:
        loco.Dirf ^= p.mask;
        start(i, DirFunctions);
        break;
    case FnPlace::Snd:
        loco.Snd ^= p.mask;
        loco.Ext[7] = (loco.Ext[7] & 0xF0) | loco.Snd;
        start(i, Sound);
        break;
    case FnPlace::Group:
        // The panel's copy changes when the group message comes back.
        slots_.FnGroup = p.group;
        slots_.FnValue = loco.Ext[size_t(p.group)] ^ p.mask;
        start(i, FnGroup);
        break;
    }
}

void Throttle::keydown(int i, int code)
{
    if (LokAdr[size_t(i)] <= 0)
        return;
    if (code == KeyEscape) {
        FCmd_Click(Functions * i);
    } else if (code >= KeyF1 && code <= KeyF12) {
        FCmd_Click(Functions * i + code - KeyF1 + 1);
    } else if (code == KeyForward || code == KeyReverse) {
        set_dir(code == KeyReverse ? 1 : 0, i);
    } else if (code == KeyBackspace) {
        chge_dir(i);
    } else if (code >= Key0 && code <= Key9) {
        // The bar follows when the slot's echo refreshes the panel.
        slots_.ThrLoco[size_t(i)].Spd = digit_speed(code - Key0);
        start(i, Speed);
    }
}

bool Throttle::rebind(int i)
{
    const int adr = LokAdr[size_t(i)];
    if (adr <= 0 || slots_.ThrLoco[size_t(i)].Adr != adr)
        return false;
    slots_.ThrSlot[size_t(i)] = -1; // asked for again, whatever slot it had
    start(i, Bind);
    return true;
}

PanelView Throttle::view(int i) const
{
    const SlotRec& loco = slots_.ThrLoco[size_t(i)];
    // Stations of type 2..4 report F9..F28; for the others their indicators
    // would only ever show what the program itself sent.
    const int type = s_.state.StationType;
    const bool groups = type >= 2 && type <= 4;
    PanelView v;
    for (int n = 0; n < Functions; ++n)
        v.fkt[size_t(n)] = n >= 9 && !groups      ? -1
                           : function_on(loco, n) ? colour::Yellow
                                                  : colour::White;
    const auto bit = [&](int mask) { return (loco.Dirf & mask) ? 1 : 0; };
    v.picture = lok_picture_name(bit(0x10), bit(0x01), bit(0x02), bit(DirBit));
    v.scroll = loco.Spd > 0 ? std::min(loco.Spd - 1, BarMax) : 0;
    v.format = loco.FmtName;
    const int step = speed_step(loco.Spd, loco.Steps);
    if (step >= 0)
        v.speed = QString::number(step);
    return v;
}

void Throttle::lok_show(int i)
{
    if (i != 0 && i != 1)
        return;
    keep_unsent(i);
    const int spd = slots_.ThrLoco[size_t(i)].Spd;
    SpeedFrac[size_t(i)] = spd > 0 ? std::min(spd - 1, BarMax) / double(BarMax) : 0.0;
    emit panel_shown(i, view(i));
}

void Throttle::lok_reset(int i)
{
    slots_.ThrLoco[size_t(i)] = slots_.SlotData[Slots::Blank];
    SpeedFrac[size_t(i)] = 0;
    emit panel_reset(i);
}
