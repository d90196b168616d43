#include "keyboard.h"

#include "accessory/pages.h"
#include "accessory/wire.h"
#include "core/clock.h"
#include "core/messages.h"
#include "loconet/dispatch.h"
#include "loconet/link.h"
#include "requests/engine.h"

namespace {
const QString kKeineAntwortMagArt = QStringLiteral("Keine Antwort auf Mag.Art.Abfrage erhalten!");
const QString kPageEntry = QStringLiteral("Keyboard %1 Adr.: %2");
const QString kKeyTip[2] = {QStringLiteral("Mag.Art. %1 rot"), QStringLiteral("Mag.Art. %1 grün")};

constexpr int JobPoll = 1;
constexpr int JobSwitch = 16; // + direction + 2 * output: 16..19
constexpr int KeyR = 82, KeyG = 71;

int switch_job_number(int dir, int on)
{
    return JobSwitch + dir + 2 * on;
}
} // namespace

Keyboard::Keyboard(const Services& s) : s_(s)
{
    s.req.registerJob(JobPoll, [this] { return state_poll(); });
    for (int job = JobSwitch; job < JobSwitch + 4; ++job)
        s.req.registerJob(job, [this, job] { return switch_job(job); });
    s.dispatch.sw_state_answer = [this](const ln::Msg& m) { sw_state_answer(m); };
    s.dispatch.on(0xB0, [this](const ln::Msg& m) { sw_report(m); });
    Taste_Wadr.add_letter(KeyR, [this](int n) { return typed_switch(n, 0); });
    Taste_Wadr.add_letter(KeyG, [this](int n) { return typed_switch(n, 1); });
}

void Keyboard::select_page(int index)
{
    const int old = KeybBase;
    KeybBase = pages::clamp(index) * pages::Size;
    if (KeybBase != old)
        poll_page();
    emit page_shown(KeybBase / pages::Size);
}

void Keyboard::first_page()
{
    // Typed switches still waiting belong to the old connection.
    cancel_pulses();
    KeybBase = 0;
    emit page_shown(0);
    poll_page();
}

void Keyboard::poll_page()
{
    s_.req.ReqAdr = KeybBase - 1;
    s_.req.post(JobPoll);
}

bool Keyboard::state_poll()
{
    ReqEngine& req = s_.req;
    const double now = s_.clock.now();
    if (req.ReqStep == 0) {
        req.ReqAdr += 1;
        if (req.ReqAdr > KeybBase + 15 || req.ReqAdr < 0 || req.ReqAdr >= Accessories)
            return true;
        const acc::Bytes m = acc::switch_query(req.ReqAdr);
        s_.link.put({m[0], m[1], m[2]});
        req.ReqStep = 1;
        req.ReqTime = now;
        return false;
    }
    if (now - req.ReqTime > AnswerTimeout) {
        s_.msgs.show(titles::Fehler, kKeineAntwortMagArt, MsgIcon::Critical);
        return true;
    }
    return false;
}

void Keyboard::sw_state_answer(const ln::Msg& m)
{
    // Only the poll asks for states; an answer to a query sent otherwise
    // (a raw message) must not steer another job's step.
    ReqEngine& req = s_.req;
    if (req.ReqJob != JobPoll)
        return;
    if (req.ReqAdr >= KeybBase && req.ReqAdr <= KeybBase + 15) {
        if (m[2] == 0x30)
            emit kb_anz(req.ReqAdr - KeybBase, colour::Green);
        else if (m[2] == 0x50)
            emit kb_anz(req.ReqAdr - KeybBase, colour::Red);
    }
    req.ReqStep = 0; // the poll goes on with the next address
}

void Keyboard::sw_report(const ln::Msg& m)
{
    const acc::SwitchReport r = acc::read_switch(m);
    if (!r.on)
        return;
    if (r.a >= KeybBase && r.a <= KeybBase + 15)
        emit kb_anz(r.a - KeybBase, r.dir ? colour::Green : colour::Red);
    emit route_trigger_ma(r.a, r.dir);
}

void Keyboard::post_switch(int a, int dir, int on)
{
    s_.req.ReqAdr = a;
    s_.req.post(switch_job_number(dir, on));
}

bool Keyboard::press(int i, int dir)
{
    if (i < 0 || i >= pages::Size || !s_.req.allowed())
        return false;
    held_ = Pulse{KeybBase + i, dir, true};
    post_switch(held_->a, held_->dir, 1);
    return true;
}

void Keyboard::release()
{
    if (!held_)
        return;
    const Pulse p = *held_;
    held_.reset();
    // The coil of a press taken is always switched off; a job that must not
    // be cut off is let finish first. With the connection gone nothing goes out.
    const auto refusal = s_.req.refusal();
    if (refusal == ReqEngine::Refusal::None)
        post_switch(p.a, p.dir, 0);
    else if (refusal == ReqEngine::Refusal::Busy)
        pulses_.push_back(p);
}

bool Keyboard::switch_job(int job)
{
    ReqEngine& req = s_.req;
    // Step 1 runs once the message has gone out: nothing is awaited.
    if (req.ReqStep != 0 || req.ReqAdr < 0 || req.ReqAdr >= Accessories)
        return true;
    const acc::Bytes m = acc::switch_request(req.ReqAdr, job & 1, (job & 2) >> 1);
    s_.link.put({m[0], m[1], m[2]});
    req.ReqStep = 1;
    return false;
}

void Keyboard::switch_pulse(int number, int dir)
{
    if (number > 0 && number <= Accessories)
        pulses_.push_back({number - 1, dir});
}

bool Keyboard::typed_switch(int number, int dir)
{
    // Out of range: nothing to refuse, nothing sent.
    if (number <= 0 || number > Accessories)
        return true;
    if (!s_.req.allowed())
        return false;
    switch_pulse(number, dir);
    return true;
}

void Keyboard::cancel_pulses()
{
    pulses_.clear();
    held_.reset();
    phase_ = Phase::Due;
}

void Keyboard::pulse_step()
{
    if (pulses_.empty())
        return;
    ReqEngine& req = s_.req;
    const Pulse p = pulses_.front();
    const double now = s_.clock.now();
    switch (phase_) {
    case Phase::Due:
        if (req.idle()) {
            post_switch(p.a, p.dir, p.offOnly ? 0 : 1);
            phase_ = p.offOnly ? Phase::Off : Phase::On;
        }
        break;
    case Phase::On:
        if (req.idle()) {
            pauseStart_ = now;
            phase_ = Phase::Pause;
        }
        break;
    case Phase::Pause:
        if (now - pauseStart_ >= PulsePause && req.idle()) {
            post_switch(p.a, p.dir, 0);
            phase_ = Phase::Off;
        }
        break;
    case Phase::Off:
        if (req.idle()) {
            pulses_.pop_front();
            phase_ = Phase::Due;
        } else if (req.ReqJob != switch_job_number(p.dir, 0) || req.ReqAdr != p.a) {
            phase_ = Phase::Pause; // replaced before it went out: post it again
        }
        break;
    }
}

QString Keyboard::page_entry(int k)
{
    return kPageEntry.arg(k + 1).arg(pages::range_text(k * pages::Size));
}

QString Keyboard::key_tip(int i, int dir) const
{
    return kKeyTip[dir & 1].arg(KeybBase + i + 1);
}
