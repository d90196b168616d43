#include "drivers.h"

#include "core/clock.h"
#include "core/messages.h"
#include "loconet/link.h"
#include "slots.h"
#include "loconet/views.h"

namespace {
const QString kLokNichtAngemeldet = QStringLiteral("Lok konnte nicht angemeldet werden!");
const QString kLokFmtLesen = QStringLiteral("Fehler: Lokdatenformat lesen");

enum Step { Start, AwaitSlot, CfgRead, AwaitCfg, Command, AwaitSent };
enum Kind { DirThenStop, Group, Sound, DirFunctions, SpeedOnly };
constexpr int AckOk = 0x7F;
} // namespace

// Serves the drivers in turn: binds those that must be bound, sends the
// next action of those that have one, and ends when none has work.
class Drivers::ThrottleJob : public Job {
  public:
    explicit ThrottleJob(Drivers& owner) : Job(JobKind::Throttle), o_(owner) {}

    void format_answer(int adr, int code)
    {
        if (Step == AwaitCfg && adr == adr_)
            code_ = code;
    }

  protected:
    bool step() override
    {
        for (;;) {
            if (!o_.valid(d_) && next())
                return true;
            Seat& seat = o_.seats_[size_t(d_)];
            switch (Step) {
            case Start:
                if (seat.bind) {
                    adr_ = o_.adr_of(d_);
                    const QByteArray request = o_.slots_.loco_request(adr_);
                    if (request.isEmpty())
                        return false; // held until the station type is known
                    o_.slot_of(d_) = -1;
                    refused_ = false;
                    send(request);
                    wait(Slots::AnswerTimeout);
                    Step = AwaitSlot;
                    return false;
                }
                Step = Command;
                break;
            case AwaitSlot:
                // Released or given another address meanwhile: that is asked for next.
                if (!binding()) {
                    Step = Start;
                    break;
                }
                if (o_.slot_of(d_) != -1) {
                    Step = CfgRead;
                    break;
                }
                if (!refused_ && !expired())
                    return false;
                if (refused_)
                    o_.fail_bind(d_, false, kLokNichtAngemeldet);
                else
                    o_.fail_bind(d_, true, KeineAntwortLok);
                if (next())
                    return true;
                break;
            case CfgRead:
                if (!binding()) {
                    Step = Start;
                    break;
                }
                code_ = -1;
                refused_ = false;
                send(lokcfg_read_message(adr_));
                wait(Slots::AnswerTimeout);
                Step = AwaitCfg;
                return false;
            case AwaitCfg:
                if (!binding()) {
                    Step = Start;
                    break;
                }
                if (code_ == -1 && !refused_ && !expired())
                    return false;
                bound(seat);
                Step = Start;
                break;
            case Command:
                if (seat.bind) {
                    Step = Start;
                    break;
                }
                if (!o_.has_work(d_)) {
                    if (next())
                        return true;
                    break;
                }
                send_action(seat);
                Step = AwaitSent;
                return false;
            default: // AwaitSent: the message is back or given up
                seat.inflight.clear();
                o_.reshow(d_);
                o_.gone_if_done(d_);
                if (!o_.valid(d_))
                    break;
                // The stop after a direction change follows at once; then
                // the next driver has its turn.
                if (!seat.queue.empty() && seat.queue.front().fixed) {
                    Step = Command;
                    break;
                }
                if (next())
                    return true;
                break;
            }
        }
    }
    void acked(int code) override
    {
        const bool panel = d_ < Panels;
        if (Step == AwaitSlot) { // the station has no slot for the loco
            refused_ = true;
            if (panel)
                o_.s_.msgs.show(titles::LocoNetFehler, kLokNichtAngemeldet, MsgIcon::Critical);
        } else if (Step == AwaitCfg && code != AckOk) {
            refused_ = true;
            if (panel)
                o_.s_.msgs.show(titles::LocoNetFehler, kLokFmtLesen, MsgIcon::Critical);
        }
    }
    void ending(End how) override { o_.ended(how); }

  private:
    bool binding() const { return o_.seats_[size_t(d_)].bind && o_.adr_of(d_) == adr_; }
    // The next driver with work; true when none has any.
    bool next()
    {
        d_ = o_.with_work(d_);
        Step = Start;
        return d_ < 0;
    }
    void bound(Seat& seat)
    {
        const int s = o_.slot_of(d_);
        if (code_ != -1 && s >= 1 && s < Slots::Blank) {
            SlotRec& r = o_.slots_.SlotData[size_t(s)];
            const DataFormat f = data_format(code_);
            r.FmtCode = code_;
            r.FmtName = f.name;
            r.Steps = f.steps;
        } else if (code_ == -1 && !refused_ && d_ < Panels) {
            o_.s_.msgs.show(titles::Fehler, KeineAntwortCfg, MsgIcon::Critical);
        }
        // The slot is known: the actions waiting go out even when the format
        // stays unknown, which only the speed step shown needs.
        seat.bind = false;
        seat.ready = true;
        o_.reshow(d_);
        emit o_.bound(d_);
    }
    void send_action(Seat& seat)
    {
        Action& a = seat.queue.front();
        const int s = o_.slot_of(d_);
        SlotRec r = o_.slots_.SlotData[size_t(s)];
        apply(r, a, true);
        switch (Drivers::kind(a)) {
        case SpeedOnly: seat.inflight = ln::LocoSpeed::make(s, r.Spd); break;
        case Sound: seat.inflight = ln::LocoSound::make(s, r.Snd); break;
        case Group: {
            const int g = fn_place(a.value).group;
            seat.inflight = ln::FunctionGroup::make(s, g, r.Ext[size_t(g)]);
            break;
        }
        default: seat.inflight = ln::LocoDirf::make(s, r.Dirf); break;
        }
        send(seat.inflight);
        // A direction change with its stop goes on as that stop, which no
        // later speed may replace.
        if (Drivers::kind(a) == DirThenStop)
            a = Action{Action::Speed, 0, false, true, a.safety};
        else
            seat.queue.pop_front();
    }

    Drivers& o_;
    int d_ = -1;    // the driver served
    int adr_ = 0;   // the loco it is being bound to
    int code_ = -1; // the format answer
    bool refused_ = false;
};

Drivers::Drivers(const Services& s, Slots& table) : s_(s), slots_(table), seats_(Panels)
{
    for (Seat& seat : seats_)
        seat.used = true;
    s.req.declare(JobKind::Throttle);
    s.req.declare(JobKind::SafetyStop);
    connect(&slots_, &Slots::slot_data, this, &Drivers::take_slot);
    connect(&slots_, &Slots::slot_changed, this, &Drivers::slot_changed);
    connect(&slots_, &Slots::format_answer, this, [this](int adr, int code) {
        if (const auto job = job_.lock())
            job->format_answer(adr, code);
    });
    connect(&s.req, &ReqEngine::session_started, this, &Drivers::new_session);
    connect(&s.req, &ReqEngine::online_changed, this, [this](bool online) {
        if (online)
            pump();
    });
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
    // Behind short work an action waits its turn; only a long job or a
    // missing connection refuses it.
    const auto caller = d < Panels ? ReqEngine::Caller::User : ReqEngine::Caller::Quiet;
    if (s_.req.admit(JobKind::Throttle, caller))
        return true;
    if (d >= Panels)
        emit refused(d, s_.req.refusal_text(s_.req.refusal(JobKind::Throttle, caller)));
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
    seat.watch = false;
    adr_of(d) = adr;
    slot_of(d) = -1;
    pump();
    return true;
}

void Drivers::watch(int d, int adr)
{
    if (!valid(d) || d < Panels || adr < 1 || adr > MaxAddress)
        return;
    release(d);
    Seat& seat = seats_[size_t(d)];
    seat.watch = true;
    adr_of(d) = adr;
    // The slot the station gave that loco in this session, if it is known.
    for (int s = 1; s < Slots::Blank; ++s)
        if (slots_.SlotData[size_t(s)].Adr == adr)
            take_slot(s, true);
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
    seat.watch = false;
    seat.leaving = false;
    adr_of(d) = 0;
    slot_of(d) = -1;
}

void Drivers::leave(int d, bool stop)
{
    if (d < Panels || !valid(d))
        return;
    Seat& seat = seats_[size_t(d)];
    // Unknown in this session counts as moving: the last connection may
    // have ended with the loco running.
    const bool moving = !seat.ready || shown(d).Spd != 0;
    seat.leaving = true;
    if (stop && adr_of(d) > 0 && moving)
        safety_stop(d);
    gone_if_done(d);
}

void Drivers::gone_if_done(int d)
{
    if (!valid(d))
        return;
    const Seat& seat = seats_[size_t(d)];
    // What it asked for is carried out, even when it goes right after asking.
    const bool waiting = adr_of(d) > 0 && !seat.queue.empty();
    if (!seat.leaving || waiting || !seat.inflight.isEmpty() || seat.stopping)
        return;
    remove_driver(d);
    emit left(d);
}

void Drivers::drop_speeds(Seat& seat)
{
    std::erase_if(seat.queue, [](const Action& a) { return a.kind == Action::Speed; });
}

void Drivers::safety_stop(int d, bool emergency)
{
    if (!valid(d) || adr_of(d) <= 0)
        return;
    Seat& seat = seats_[size_t(d)];
    drop_speeds(seat);
    const int s = slot_of(d);
    const Action stop{Action::Speed, emergency ? 1 : 0, false, false, true};
    if (seat.ready && s >= 1 && s < Slots::Blank && s_.req.online()) {
        // One message between whatever runs, as a STOP goes.
        auto job =
            std::make_shared<MessageJob>(JobKind::SafetyStop, ln::LocoSpeed::make(s, stop.value));
        job->then([this, d, stop](End how) {
            if (!valid(d))
                return;
            seats_[size_t(d)].stopping = false;
            if (how != End::Done) // the connection went: the next one sends it
                seats_[size_t(d)].queue.push_front(stop);
            gone_if_done(d);
        });
        seat.stopping = true;
        if (s_.req.submit(job, ReqEngine::Caller::Follow))
            return;
        seat.stopping = false;
    }
    // Not bound in this session: asked for and stopped as soon as it can be.
    seat.queue.push_front(stop);
    if (!seat.ready && !seat.bind) {
        seat.bind = true;
        slot_of(d) = -1;
    }
    pump();
}

void Drivers::forget_format(int adr)
{
    for (int d = 0; d < int(seats_.size()); ++d)
        if (valid(d) && adr_of(d) == adr && !seats_[size_t(d)].bind)
            seats_[size_t(d)].ready = false;
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
    case Action::Direction:
        r.Dirf = (r.Dirf & ~ln::LocoDirf::Reverse) | (a.value ? ln::LocoDirf::Reverse : 0);
        break;
    case Action::ToggleDirection: r.Dirf ^= ln::LocoDirf::Reverse; break;
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
    const ln::Msg m(seat.inflight);
    switch (seat.inflight.isEmpty() ? 0 : m.op()) {
    case ln::op::LocoSpd: r.Spd = ln::LocoSpeed(m).speed(); break;
    case ln::op::LocoDirf: r.Dirf = ln::LocoDirf(m).dirf(); break;
    case ln::op::LocoSnd:
        r.Snd = ln::LocoSound(m).snd();
        r.Ext[7] = (r.Ext[7] & 0xF0) | r.Snd;
        break;
    default: break;
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

bool Drivers::take(int d, const Action& a)
{
    if (!valid(d) || adr_of(d) <= 0)
        return false;
    Seat& seat = seats_[size_t(d)];
    // The speed bar reports every position it passes: only the last one
    // not yet sent is kept.
    const bool merge = a.kind == Action::Speed && !seat.queue.empty() &&
                       seat.queue.back().kind == Action::Speed && !seat.queue.back().fixed &&
                       !seat.queue.back().safety;
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
    if (!s_.req.online() || with_work(-1) < 0)
        return;
    if (const auto running = job_.lock(); running && !running->ended())
        return;
    auto job = std::make_shared<ThrottleJob>(*this);
    if (s_.req.submit(job, ReqEngine::Caller::Follow))
        job_ = job;
}

void Drivers::new_session()
{
    // Nothing the station said before counts: every driver asks for its
    // loco again. Only the stops the program decided survive.
    for (int d = 0; d < int(seats_.size()); ++d) {
        if (!valid(d))
            continue;
        Seat& seat = seats_[size_t(d)];
        std::erase_if(seat.queue, [](const Action& a) { return !a.safety; });
        seat.inflight.clear();
        seat.ready = false;
        seat.bind = adr_of(d) > 0;
        slot_of(d) = -1;
        gone_if_done(d); // what a leaving driver had waiting is gone with the session
    }
}

void Drivers::ended(End how)
{
    for (Seat& seat : seats_)
        seat.inflight.clear();
    if (how == End::Disconnected || how == End::PortLost)
        return; // the next session binds every driver anew
    pump();     // work that came in while it ended
}

void Drivers::fail_bind(int d, bool tell, const QString& why)
{
    Seat& seat = seats_[size_t(d)];
    seat.bind = false;
    seat.ready = false;
    seat.queue.clear();
    if (tell && d < Panels)
        s_.msgs.show(titles::Fehler, why, MsgIcon::Critical);
    emit bind_failed(d, why);
    if (seat.leaving) { // its loco cannot be asked for: there is nothing to stop
        remove_driver(d);
        emit left(d);
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
