#include "drivers.h"

#include "core/clock.h"
#include "core/messages.h"
#include "loconet/link.h"
#include "slots.h"

namespace {
const QString kLokanfrage = QStringLiteral("die Lokanfrage");

enum Step { Start = 0, AwaitSlot = 1, Command = 2, AwaitSent = 3, CfgRead = 10, AwaitCfg = 11 };
constexpr int FirstJob = 30; // 30 + the action's kind: 0 bind only, 5..9 as below
enum Kind { BindOnly = 0, DirThenStop = 5, Group = 6, Sound = 7, DirFunctions = 8, SpeedOnly = 9 };
constexpr int DirBit = 0x20;
} // namespace

Drivers::Drivers(const Services& s, Slots& table) : s_(s), slots_(table), seats_(Panels)
{
    for (Seat& seat : seats_)
        seat.used = true;
    s.req.registerJobs(FirstJob, FirstJob + 9,
                       ReqEngine::JobDef{[this] { return lok_request(); },
                                         [this](ReqEngine::End how) { ending(how); },
                                         [this] { return binding(); }, kLokanfrage});
    connect(&slots_, &Slots::slot_data, this, &Drivers::take_slot);
    connect(&slots_, &Slots::slot_changed, this, &Drivers::slot_changed);
}

int& Drivers::adr_of(int d)
{
    return d < Panels ? slots_.ThrLoco[size_t(d)].Adr : seats_[size_t(d)].adr;
}

int& Drivers::slot_of(int d)
{
    return d < Panels ? slots_.ThrSlot[size_t(d)] : seats_[size_t(d)].slot;
}

int Drivers::adr_of(int d) const
{
    return d < Panels ? slots_.ThrLoco[size_t(d)].Adr : seats_[size_t(d)].adr;
}

int Drivers::slot_of(int d) const
{
    return d < Panels ? slots_.ThrSlot[size_t(d)] : seats_[size_t(d)].slot;
}

int Drivers::add_driver()
{
    for (size_t d = Panels; d < seats_.size(); ++d)
        if (!seats_[d].used) {
            seats_[d] = Seat{};
            seats_[d].used = true;
            return int(d);
        }
    seats_.push_back(Seat{});
    seats_.back().used = true;
    return int(seats_.size()) - 1;
}

void Drivers::remove_driver(int d)
{
    if (d < Panels || !valid(d))
        return;
    release(d);
    seats_[size_t(d)].used = false;
}

bool Drivers::valid(int d) const
{
    return d >= 0 && d < int(seats_.size()) && seats_[size_t(d)].used;
}

bool Drivers::accept(int d)
{
    // Behind a running throttle request, even one that binds, an action
    // waits its turn; only other work can refuse it.
    if (Slots::throttle_job(s_.req.ReqJob))
        return true;
    if (d < Panels)
        return s_.req.allowed();
    const ReqEngine::Refusal why = s_.req.refusal();
    if (why == ReqEngine::Refusal::None)
        return true;
    emit refused(d, why);
    return false;
}

bool Drivers::acquire(int d, int adr)
{
    if (!valid(d) || adr < 1 || adr > MaxAddress)
        return false;
    Seat& seat = seats_[size_t(d)];
    if (adr_of(d) == adr && (seat.ready || seat.bind))
        return true;
    if (!accept(d))
        return false;
    seat.queue.clear();
    seat.inflight.clear();
    seat.ready = false;
    seat.bind = true;
    adr_of(d) = adr;
    slot_of(d) = -1;
    pump();
    return true;
}

void Drivers::release(int d)
{
    if (!valid(d))
        return;
    Seat& seat = seats_[size_t(d)];
    seat.queue.clear();
    seat.inflight.clear();
    seat.ready = false;
    seat.bind = false;
    adr_of(d) = 0;
    slot_of(d) = -1;
}

void Drivers::rebind(int d)
{
    if (!valid(d) || adr_of(d) <= 0)
        return;
    Seat& seat = seats_[size_t(d)];
    seat.ready = false;
    seat.bind = true;
    pump();
}

int Drivers::address(int d) const
{
    return valid(d) ? std::max(adr_of(d), 0) : 0;
}

int Drivers::slot(int d) const
{
    return valid(d) ? slot_of(d) : -1;
}

bool Drivers::is_bound(int d) const
{
    return valid(d) && seats_[size_t(d)].ready;
}

const SlotRec& Drivers::loco(int d) const
{
    const int s = slot(d);
    return slots_.SlotData[size_t(s >= 1 && s < Slots::Blank ? s : Slots::Blank)];
}

void Drivers::apply(SlotRec& r, const Action& a, bool groups)
{
    switch (a.kind) {
    case Action::Speed: r.Spd = a.value; return;
    case Action::Direction: r.Dirf = (r.Dirf & ~DirBit) | (a.value ? DirBit : 0); break;
    case Action::ToggleDirection: r.Dirf ^= DirBit; break;
    case Action::Function:
    case Action::ToggleFunction: {
        const FnPlace p = fn_place(a.value);
        int* byte = p.field == FnPlace::Dirf  ? &r.Dirf
                    : p.field == FnPlace::Snd ? &r.Snd
                    : groups                  ? &r.Ext[size_t(p.group)]
                                              : nullptr;
        if (!byte)
            return;
        *byte = a.kind == Action::ToggleFunction ? *byte ^ p.mask
                : a.flag                         ? *byte | p.mask
                                                 : *byte & ~p.mask;
        if (p.field == FnPlace::Snd) // F5..F8 are kept in group 7 too
            r.Ext[7] = (r.Ext[7] & 0xF0) | r.Snd;
        return;
    }
    }
    if (a.flag)
        r.Spd = 0; // a direction change with its stop
}

SlotRec Drivers::shown(int d) const
{
    SlotRec r = loco(d);
    if (slot(d) < 0)
        return r;
    const Seat& seat = seats_[size_t(d)];
    // What the bus has not brought back yet; a function group shows only
    // when its message has come back.
    const std::vector<int>& m = seat.inflight;
    if (m.size() == 3 && m[0] == 0xA0)
        r.Spd = m[2];
    else if (m.size() == 3 && m[0] == 0xA1)
        r.Dirf = m[2];
    else if (m.size() == 3 && m[0] == 0xA2) {
        r.Snd = m[2];
        r.Ext[7] = (r.Ext[7] & 0xF0) | m[2];
    }
    for (const Action& a : seat.queue)
        apply(r, a, false);
    return r;
}

int Drivers::kind(const Action& a)
{
    switch (a.kind) {
    case Action::Speed: return SpeedOnly;
    case Action::Direction:
    case Action::ToggleDirection: return a.flag ? DirThenStop : DirFunctions;
    default: break;
    }
    switch (fn_place(a.value).field) {
    case FnPlace::Dirf: return DirFunctions;
    case FnPlace::Snd: return Sound;
    default: return Group;
    }
}

int Drivers::kind_of(int d) const
{
    const Seat& seat = seats_[size_t(d)];
    return seat.queue.empty() ? BindOnly : kind(seat.queue.front());
}

bool Drivers::take(int d, const Action& a)
{
    if (!valid(d) || adr_of(d) <= 0)
        return false;
    Seat& seat = seats_[size_t(d)];
    // The speed bar reports every position it passes: only the last one
    // not yet sent is kept.
    const bool merge = a.kind == Action::Speed && !seat.queue.empty() &&
                       seat.queue.back().kind == Action::Speed && !seat.queue.back().fixed;
    if (!merge && int(seat.queue.size()) >= MaxQueued)
        return false;
    if (!accept(d))
        return false;
    if (!seat.ready && !seat.bind) {
        seat.bind = true; // its last binding failed: ask again
        slot_of(d) = -1;
    }
    if (merge)
        seat.queue.back() = a;
    else
        seat.queue.push_back(a);
    reshow(d);
    pump();
    return true;
}

bool Drivers::speed(int d, int value)
{
    return value >= 0 && value <= 127 && take(d, Action{Action::Speed, value});
}

bool Drivers::direction(int d, int dir, bool stop)
{
    return take(d, Action{Action::Direction, dir ? 1 : 0, stop});
}

bool Drivers::toggle_direction(int d, bool stop)
{
    return take(d, Action{Action::ToggleDirection, 0, stop});
}

bool Drivers::function(int d, int n, bool on)
{
    return n >= 0 && n <= 28 && take(d, Action{Action::Function, n, on});
}

bool Drivers::toggle_function(int d, int n)
{
    return n >= 0 && n <= 28 && take(d, Action{Action::ToggleFunction, n});
}

bool Drivers::has_work(int d) const
{
    if (!valid(d) || adr_of(d) <= 0)
        return false;
    const Seat& seat = seats_[size_t(d)];
    return seat.bind || (seat.ready && slot_of(d) >= 0 && !seat.queue.empty());
}

int Drivers::with_work(int after) const
{
    const int n = int(seats_.size());
    for (int k = 1; k <= n; ++k) {
        const int d = ((after + k) % n + n) % n;
        if (has_work(d))
            return d;
    }
    return -1;
}

void Drivers::pump()
{
    ReqEngine& req = s_.req;
    if (!req.online) {
        // Actions taken before the connection went away must not go out
        // after the next one; a binding asked for may.
        for (Seat& seat : seats_)
            seat.queue.clear();
        return;
    }
    if (!req.idle())
        return;
    const int d = with_work(req.ReqThr);
    if (d < 0)
        return;
    req.ReqThr = d;
    req.ReqAdr = adr_of(d);
    req.post(FirstJob + kind_of(d));
}

bool Drivers::next()
{
    ReqEngine& req = s_.req;
    const int d = with_work(req.ReqThr);
    if (d < 0)
        return true;
    // Straight on with the next driver's work, without passing through idle.
    req.ReqThr = d;
    req.ReqAdr = adr_of(d);
    req.ReqJob = FirstJob + kind_of(d);
    req.ReqStep = Start;
    return lok_request();
}

bool Drivers::binding() const
{
    const int d = s_.req.ReqThr;
    return Slots::throttle_job(s_.req.ReqJob) && valid(d) && seats_[size_t(d)].bind;
}

bool Drivers::binding_for(int d) const
{
    return seats_[size_t(d)].bind && adr_of(d) == s_.req.ReqAdr;
}

bool Drivers::lok_request()
{
    ReqEngine& req = s_.req;
    req.ThrBusy = true;
    const int d = req.ReqThr;
    if (!valid(d))
        return next();
    Seat& seat = seats_[size_t(d)];
    const double now = s_.clock.now();
    switch (req.ReqStep) {
    case Start:
        if (seat.bind) {
            req.ReqAdr = adr_of(d);
            if (!slots_.put_loco_request(req.ReqAdr))
                return false; // held until the station type is known
            slot_of(d) = -1;
            req.ReqTime = now;
            req.ReqStep = AwaitSlot;
            return false;
        }
        if (!has_work(d))
            return next();
        req.ReqStep = Command;
        return lok_request();
    case AwaitSlot:
        // Released or given another address meanwhile: that is asked for next.
        if (!binding_for(d))
            return next();
        if (slot_of(d) != -1) {
            req.ReqStep = CfgRead;
            return lok_request();
        }
        if (now - req.ReqTime > Slots::AnswerTimeout) {
            fail_bind(d, true);
            return next();
        }
        return false;
    case CfgRead:
        if (!binding_for(d))
            return next();
        slots_.put_lokcfg_read(req.ReqAdr);
        slots_.LokCfgAdr = req.ReqAdr;
        slots_.LokCfgCode = -1;
        req.ReqTime = now;
        req.ReqStep = AwaitCfg;
        return false;
    case AwaitCfg: {
        if (!binding_for(d))
            return next();
        const int code = slots_.LokCfgCode;
        if (code == -1 && now - req.ReqTime <= Slots::AnswerTimeout)
            return false;
        if (code != -1 && slot_of(d) >= 1 && slot_of(d) < Slots::Blank) {
            SlotRec& r = slots_.SlotData[size_t(slot_of(d))];
            const DataFormat f = data_format(code);
            r.FmtCode = code;
            r.FmtName = f.name;
            r.Steps = f.steps;
        } else if (code == -1 && d < Panels) {
            s_.msgs.show(titles::Fehler, KeineAntwortCfg, MsgIcon::Critical);
        }
        // The slot is known: the actions waiting go out even when the format
        // stays unknown, which only the speed step shown needs.
        seat.bind = false;
        seat.ready = true;
        reshow(d);
        emit bound(d);
        req.ReqStep = Start;
        return lok_request();
    }
    case Command: {
        if (!has_work(d) || seat.bind)
            return next();
        Action& a = seat.queue.front();
        req.ReqJob = FirstJob + kind(a);
        const int s = slot_of(d);
        SlotRec r = slots_.SlotData[size_t(s)];
        apply(r, a, true);
        switch (kind(a)) {
        case SpeedOnly: seat.inflight = {0xA0, s, r.Spd}; break;
        case Sound: seat.inflight = {0xA2, s, r.Snd}; break;
        case Group: {
            const int g = fn_place(a.value).group;
            seat.inflight = {0xD4, 0x20, s, g, r.Ext[size_t(g)]};
            break;
        }
        default: seat.inflight = {0xA1, s, r.Dirf}; break;
        }
        QByteArray bytes;
        for (int b : seat.inflight)
            bytes.append(char(b));
        s_.link.put(bytes);
        // A direction change with its stop goes on as that stop, which no
        // later speed may replace.
        if (kind(a) == DirThenStop)
            a = Action{Action::Speed, 0, false, true};
        else
            seat.queue.pop_front();
        req.ReqStep = AwaitSent;
        return false;
    }
    case AwaitSent:
        // A step runs only with the buffer free: the message is back or was
        // given up, and the slot table holds what the bus said.
        seat.inflight.clear();
        reshow(d);
        if (!seat.queue.empty() && seat.queue.front().fixed) {
            req.ReqStep = Command;
            return lok_request();
        }
        return next();
    default: return next();
    }
}

void Drivers::fail_bind(int d, bool tell)
{
    Seat& seat = seats_[size_t(d)];
    seat.bind = false;
    seat.ready = false;
    seat.queue.clear();
    if (tell && d < Panels)
        s_.msgs.show(titles::Fehler, KeineAntwortLok, MsgIcon::Critical);
    emit bind_failed(d);
}

void Drivers::ending(ReqEngine::End how)
{
    for (Seat& seat : seats_)
        seat.inflight.clear();
    if (how != ReqEngine::End::Disconnected)
        return; // replaced: the waiting work goes on when the engine is idle again
    for (int d = 0; d < int(seats_.size()); ++d) {
        Seat& seat = seats_[size_t(d)];
        seat.queue.clear();
        if (valid(d) && seat.bind)
            fail_bind(d, false); // half bound: the next action binds again
    }
}

void Drivers::take_slot(int s, bool)
{
    const int adr = slots_.SlotData[size_t(s)].Adr;
    for (int d = 0; d < int(seats_.size()); ++d) {
        if (!valid(d))
            continue;
        if (adr_of(d) == adr) {
            slot_of(d) = s;
            reshow(d, true);
        } else if (slot_of(d) == s && adr_of(d) > 0) {
            // The slot holds another loco now: the next action asks again.
            slot_of(d) = -1;
            seats_[size_t(d)].ready = false;
        }
    }
}

void Drivers::slot_changed(int s)
{
    for (int d = 0; d < int(seats_.size()); ++d)
        if (valid(d) && slot_of(d) == s)
            reshow(d);
}

void Drivers::reshow(int d, bool slotData)
{
    if (slot_of(d) < 0)
        return;
    if (d < Panels) {
        // The panel's address is its own: -1 from the loco settings makes its
        // next action bind again.
        SlotRec& copy = slots_.ThrLoco[size_t(d)];
        const int adr = copy.Adr;
        copy = shown(d);
        copy.Adr = adr;
    }
    emit changed(d, slotData);
}
