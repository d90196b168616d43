#include "route_engine.h"

#include "accessory/wire.h"
#include "core/clock.h"
#include "core/colour.h"
#include "core/station_state.h"
#include "loconet/link.h"
#include "route_panel.h"
#include "route_step.h"
#include "route_table.h"

#include <cmath>

namespace {
const QString kSuche = QStringLiteral("Suche neue Fahrstraße zur Abarbeitung");
const QString kBeendet = QStringLiteral("Fahrstraße beendet");
const QString kMagnetartikel = QStringLiteral("Magnetartikel schalten");
const QString kRueckmeldung = QStringLiteral("Rückmeldung erzeugen");
const QString kFsBefehl = QStringLiteral("Fahrstraßenbefehl");
const QString kPause = QStringLiteral("Pausenbefehl");
const QString kNoStep = QStringLiteral("-");

constexpr int Active = RouteTable::Active, Requested = RouteTable::Requested,
              Blocked = RouteTable::Blocked;

enum State { Idle, IsActive, IsRequested, IsBlocked, ActiveBlocked, RequestedBlocked };

bool valid_number(int n)
{
    return n >= 1 && n <= step::MaxNumber;
}

void put(Link& link, const acc::Bytes& m)
{
    link.put({m[0], m[1], m[2]});
}
} // namespace

RouteEngine::RouteEngine(const Services& s, RouteTable& table, const RoutePanel& panel)
    : s_(s), table_(table), panel_(panel)
{
    reset();
    connect(&table, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& from, const QModelIndex& to) {
                if (from.column() <= Blocked && to.column() >= Active)
                    flags_changed(from.row(), to.row());
            });
    connect(&table, &QAbstractItemModel::modelReset, this,
            [this] { flags_changed(1, RouteTable::Routes); });
    // A change the next pass must show: it is scheduled through the link's
    // service, after which the program sets its next wake-up.
    connect(&panel, &RoutePanel::page_shown, &s.link, &Link::service);
    connect(&s.state, &StationState::power_shown, &s.link, &Link::service);
    flags_changed(1, RouteTable::Routes);
}

void RouteEngine::flags_changed(int first, int last)
{
    for (int r = std::max(first, 1); r <= std::min(last, RouteTable::Routes); ++r) {
        uint8_t f = 0;
        if (table_.flag(r, Active))
            f |= ActiveSet;
        if (table_.flag(r, Requested))
            f |= RequestedSet;
        if (table_.flag(r, Blocked))
            f |= BlockedSet;
        if (!table_.cell(r, Active).isEmpty())
            f |= ActiveAny;
        if (!table_.cell(r, Blocked).isEmpty())
            f |= BlockedAny;
        flags_[size_t(r)] = f;
    }
    lastPass_ = -1; // a pass is due now
    s_.link.service();
}

double RouteEngine::next_due() const
{
    if (s_.state.PowerState == 0)
        return NoWake;
    if (FsWake != NoWake && FsHold != -1)
        return FsWake; // the whole engine waits
    bool busy = FsAktRow != -1 || FsWake != NoWake || next_route() != -1 || lastPass_ < 0;
    for (int i = 0; i < int(FsAnz.size()) && !busy; ++i) {
        const int r = panel_.FsBase + i + 1;
        busy = RouteTable::is_route(r) && (flags_[size_t(r)] & (RequestedSet | BlockedSet)) ==
                                              (RequestedSet | BlockedSet); // blinks
    }
    if (!busy)
        return NoWake;
    return lastPass_ < 0 ? s_.clock.now() : lastPass_ + PassPeriod;
}

void RouteEngine::reset()
{
    FsAktRow = -1;
    FsWake = NoWake;
    FsHold = MagPhase = MagAdr = -1;
    MagDir = 0;
    BlinkCnt = 0;
    FsAnz.fill(colour::White);
}

double RouteEngine::wake_time(double now, double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0)
        seconds = 0;
    return std::nearbyint(now + seconds);
}

void RouteEngine::route_engine()
{
    // With the track switched off nothing moves, not even the indicators.
    if (s_.state.PowerState == 0)
        return;
    const double now = s_.clock.now();
    lastPass_ = now;
    if (FsWake != NoWake) {
        if (now > FsWake) {
            FsWake = NoWake;
            FsHold = -1;
        } else if (FsHold != -1) {
            return;
        }
    }
    BlinkCnt = (BlinkCnt + 1) % BlinkPeriod;
    show_routes();
    if (!s_.link.txFree())
        return;
    if (FsAktRow == -1) {
        show_status(kSuche, kNoStep);
        const int r = next_route();
        if (r == -1)
            return;
        FsAktRow = r;
        FsWake = NoWake;
        MagPhase = MagAdr = FsHold = -1;
        FsAktCol = RouteTable::FirstStep;
    }
    show_status(FsStatTxt, QString::number(FsAktCol - RouteTable::FirstStep + 1));
    if (FsAktCol > RouteTable::LastStep) {
        finish_route();
        return;
    }
    if (MagAdr == -1)
        start_step(now);
    accessory_phase(now);
}

void RouteEngine::show_routes()
{
    for (int r = 1; r <= RouteTable::Routes; ++r) {
        const int i = r - panel_.FsBase - 1;
        const bool shown = i >= 0 && i < int(FsAnz.size());
        const int st = route_state(r, shown);
        if (!shown)
            continue;
        int c = colour::White;
        switch (st) {
        case IsActive: c = colour::Orange; break;
        case IsRequested: c = colour::Yellow; break;
        case IsBlocked:
        case ActiveBlocked: c = colour::Red; break;
        case RequestedBlocked:
            c = BlinkCnt >= BlinkPeriod / 2 ? colour::Yellow : colour::Red;
            break;
        }
        if (FsAnz[size_t(i)] != c) {
            FsAnz[size_t(i)] = c;
            emit fs_anz(i, c);
        }
    }
}

// A request for an active route is dropped here, shown or not; the route
// shows as active in the same pass.
int RouteEngine::route_state(int r, bool shown)
{
    int st = Idle;
    if (flags_[size_t(r)] & ActiveSet) {
        st = IsActive;
        if (flags_[size_t(r)] & RequestedSet)
            table_.set_flag(r, Requested, false);
    }
    if (!shown)
        return st;
    if (flags_[size_t(r)] & RequestedSet)
        st = IsRequested;
    if (flags_[size_t(r)] & BlockedSet)
        st += IsBlocked;
    return st;
}

int RouteEngine::next_route() const
{
    for (int r = 1; r <= RouteTable::Routes; ++r) {
        const uint8_t f = flags_[size_t(r)];
        if ((f & RequestedSet) && !(f & (BlockedAny | ActiveAny)))
            return r;
    }
    return -1;
}

void RouteEngine::start_step(double now)
{
    StepParts p;
    parse_step(table_.cell(FsAktRow, FsAktCol), p);
    if (!p.MaAdr.isEmpty() && valid_number(whole_value(p.MaAdr))) {
        show_status(kMagnetartikel, BefNrTxt);
        MagAdr = whole_value(p.MaAdr);
        if (const int dir = option_of(step::MaDirs, p.MaDir); dir >= 0)
            MagDir = dir; // another letter keeps the last direction
        MagPhase = 0;
    } else if (const int level = option_of(step::RmStates, p.RmState);
               !p.RmAdr.isEmpty() && level >= 0 && valid_number(whole_value(p.RmAdr))) {
        show_status(kRueckmeldung, BefNrTxt);
        put(s_.link, acc::sensor_report(whole_value(p.RmAdr) - 1, level));
        hold_then_next(now, table_.MagT2 / 1000.0);
    } else if (!p.FsNr.isEmpty()) {
        show_status(kFsBefehl, BefNrTxt);
        route_command(whole_value(p.FsNr), p.FsCmd);
        hold_then_next(now, table_.MagT2 / 1000.0);
    } else if (!p.Pause.isEmpty()) {
        show_status(kPause, BefNrTxt);
        hold_then_next(now, text_value(p.Pause));
    } else {
        // Empty, or nothing that could be sent: one pass, no wait.
        ++FsAktCol;
        FsWake = NoWake;
        MagPhase = MagAdr = FsHold = -1;
    }
}

void RouteEngine::route_command(int n, const QString& cmd)
{
    if (!RouteTable::is_route(n))
        return;
    switch (option_of(step::FsCmds, cmd)) {
    case 0: table_.set_flag(n, Blocked, true); break;
    case 1: table_.set_flag(n, Blocked, false); break;
    case 2: table_.set_flag(n, Requested, true); break;
    case 3: table_.set_flag(n, Active, false); break;
    default: break;
    }
}

void RouteEngine::hold_then_next(double now, double seconds)
{
    ++FsAktCol;
    MagPhase = MagAdr = -1;
    FsWake = wake_time(now, seconds);
    FsHold = 1;
}

void RouteEngine::accessory_phase(double now)
{
    switch (MagPhase) {
    case 0:
    case 1: {
        if (FsWake != NoWake)
            return;
        const int on = MagPhase == 0 ? 1 : 0;
        FsWake = wake_time(now, (on ? table_.MagT1 : table_.MagT2) / 1000.0);
        MagPhase += 1;
        put(s_.link, acc::switch_request(MagAdr - 1, MagDir, on));
        return;
    }
    case 2:
        if (FsWake == NoWake) {
            ++FsAktCol;
            MagPhase = MagAdr = -1;
        }
        return;
    default: return;
    }
}

void RouteEngine::finish_route()
{
    table_.set_flag(FsAktRow, Requested, false);
    table_.set_flag(FsAktRow, Active, true);
    FsAktRow = -1;
    MagPhase = -1;
    FsWake = NoWake;
    FsHold = -1;
    show_status(kBeendet, BefNrTxt);
}

void RouteEngine::show_status(const QString& status, const QString& step)
{
    if (status == FsStatTxt && step == BefNrTxt)
        return;
    FsStatTxt = status;
    BefNrTxt = step;
    emit status_shown(FsStatTxt, BefNrTxt);
}

void RouteEngine::route_trigger_ma(int a, int dir)
{
    trigger(false, a + 1, dir);
}

void RouteEngine::route_trigger_rm(int s, int level)
{
    trigger(true, s + 1, level);
}

void RouteEngine::trigger(bool sensor, int number, int value)
{
    const QStringList& letters = sensor ? step::RmStates : step::MaDirs;
    const QString& prefix = sensor ? step::Rm : step::Ma;
    for (int c : {RouteTable::RequestTrigger, RouteTable::ReleaseTrigger}) {
        for (int r = 1; r <= RouteTable::Routes; ++r) {
            const QString& text = table_.cell(r, c);
            if (!text.startsWith(prefix))
                continue; // most cells: no need to split them
            StepParts p;
            parse_step(text, p);
            const QString& n = sensor ? p.RmAdr : p.MaAdr;
            const QString& letter = sensor ? p.RmState : p.MaDir;
            if (n.isEmpty() || whole_value(n) != number || option_of(letters, letter) != value)
                continue;
            if (c == RouteTable::RequestTrigger)
                table_.set_flag(r, Requested, true);
            else
                table_.set_flag(r, Active, false);
        }
    }
}
