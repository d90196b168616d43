#include "throttle.h"

#include "core/colour.h"
#include "core/station_state.h"
#include "loconet/views.h"
#include "drivers.h"
#include "requests/engine.h"
#include "slots.h"

#include <algorithm>
#include <cmath>

namespace {
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

constexpr int BarMax = 126; // the speed bar's top value

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

int leading_number(const QString& text, int limit)
{
    int n = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            break;
        n = n * 10 + (c.unicode() - '0');
        if (n > limit)
            return limit + 1;
    }
    return n;
}

int lok_address(const QString& text)
{
    const int adr = leading_number(text, Drivers::MaxAddress);
    return adr > Drivers::MaxAddress ? 0 : adr;
}

Throttle::Throttle(const Services& s, Slots& table, Drivers& drivers)
    : s_(s), slots_(table), drivers_(drivers)
{
    connect(&drivers_, &Drivers::changed, this, [this](int d, bool slotData) {
        if (d < Drivers::Panels)
            lok_show(d, slotData);
    });
}

bool Throttle::drive(int i)
{
    return LokAdr[size_t(i)] > 0 && drivers_.acquire(i, LokAdr[size_t(i)]);
}

bool Throttle::address_key(int i, const QString& text, bool enter)
{
    LokAdr[size_t(i)] = lok_address(text);
    drivers_.release(i);
    lok_reset(i);
    return enter && drive(i);
}

bool Throttle::change_fst(int i, int value, bool scrolling)
{
    // While dragging, a request on its way is left to finish; the bar's
    // final position is sent when it is let go.
    if (scrolling && s_.req.has(JobKind::Throttle))
        return true;
    if (LokAdr[size_t(i)] <= 0)
        return false;
    SpeedFrac[size_t(i)] = double(value) / BarMax;
    // The bar's 1..126 are speeds 2..127: it never sends the emergency stop.
    const int spd = value >= 1 ? value + 1 : 0;
    if (spd != slots_.ThrLoco[size_t(i)].Spd && drive(i))
        drivers_.speed(i, spd);
    return true;
}

void Throttle::set_dir(int d, int i)
{
    if (drive(i))
        drivers_.direction(i, d, true);
}

void Throttle::chge_dir(int i)
{
    if (drive(i))
        drivers_.toggle_direction(i, true);
}

bool Throttle::picture_click(int i)
{
    if (!drive(i) || !drivers_.toggle_direction(i, false))
        return false;
    // Shown as stopped until the bus tells otherwise; the bar's own change
    // then finds speed 0 and sends nothing.
    slots_.ThrLoco[size_t(i)].Spd = 0;
    SpeedFrac[size_t(i)] = 0;
    return true;
}

void Throttle::FCmd_Click(int index)
{
    if (index < 0 || index >= 2 * Functions)
        return;
    const int i = index / Functions;
    if (drive(i))
        drivers_.toggle_function(i, index % Functions);
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
    } else if (code >= Key0 && code <= Key9 && drive(i)) {
        // The bar follows when the slot's echo refreshes the panel.
        drivers_.speed(i, digit_speed(code - Key0));
    }
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
    v.picture = lok_picture_name(bit(0x10), bit(0x01), bit(0x02), bit(ln::LocoDirf::Reverse));
    v.scroll = loco.Spd > 0 ? std::min(loco.Spd - 1, BarMax) : 0;
    v.format = loco.FmtName;
    const int step = speed_step(loco.Spd, loco.Steps);
    if (step >= 0)
        v.speed = QString::number(step);
    return v;
}

void Throttle::lok_show(int i, bool reload)
{
    const int spd = slots_.ThrLoco[size_t(i)].Spd;
    SpeedFrac[size_t(i)] = spd > 0 ? std::min(spd - 1, BarMax) / double(BarMax) : 0.0;
    PanelView v = view(i);
    v.reload = reload;
    emit panel_shown(i, v);
}

void Throttle::lok_reset(int i)
{
    slots_.ThrLoco[size_t(i)] = slots_.SlotData[Slots::Blank];
    SpeedFrac[size_t(i)] = 0;
    emit panel_reset(i);
}
