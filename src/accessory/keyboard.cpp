#include "keyboard.h"

#include "accessory/pages.h"
#include "loconet/views.h"
#include "core/clock.h"
#include "core/messages.h"
#include "loconet/dispatch.h"
#include "loconet/link.h"

namespace {
const QString kKeineAntwortMagArt = QStringLiteral("Keine Antwort auf Mag.Art.Abfrage erhalten!");
const QString MagArtNichtBearbeitet = QStringLiteral("Mag.Art.Message wurde nicht bearbeitet");
const QString kPageEntry = QStringLiteral("Keyboard %1 Adr.: %2");
const QString kKeyTip[2] = {QStringLiteral("Mag.Art. %1 rot"), QStringLiteral("Mag.Art. %1 grün")};

constexpr int KeyR = 82, KeyG = 71;
} // namespace

// Asks the state of each accessory of a page in turn; each answer is a
// long acknowledge to the query.
class Keyboard::PollJob : public Job {
  public:
    PollJob(Keyboard& owner, int base) : Job(JobKind::SwitchPoll), o_(owner), base_(base) {}

  protected:
    bool step() override
    {
        if (Step == 0) {
            if (++adr_ > base_ + 15 || adr_ >= Accessories)
                return true;
            send(ln::SwitchState::make(adr_));
            Step = 1;
            wait(AnswerTimeout);
            return false;
        }
        if (!expired())
            return false;
        o_.s_.msgs.show(titles::Fehler, kKeineAntwortMagArt, MsgIcon::Critical);
        return finish(End::TimedOut);
    }
    void acked(int code) override
    {
        if (o_.KeybBase == base_) {
            if (code == 0x30)
                emit o_.kb_anz(adr_ - base_, colour::Green);
            else if (code == 0x50)
                emit o_.kb_anz(adr_ - base_, colour::Red);
        }
        Step = 0; // on with the next address
    }

  private:
    Keyboard& o_;
    const int base_;
    int adr_ = base_ - 1;
};

// A switch by number: on message, a pause, off message.
class Keyboard::PulseJob : public Job {
  public:
    PulseJob(Keyboard& owner, int a, int dir) : Job(JobKind::SwitchPulse), o_(owner), a_(a), dir_(dir)
    {
    }

  protected:
    bool step() override
    {
        switch (Step) {
        case 0: put(1); return false;
        case 1:
            wait(PulsePause);
            Step = 2;
            [[fallthrough]];
        case 2:
            if (!reached())
                return false;
            put(0);
            return false;
        default: return true;
        }
    }

  private:
    void put(int on)
    {
        engine().link().put(ln::SwitchRequest::make(a_, dir_ != 0, on != 0),
                            [&o = o_](int code) { o.refused(code); });
        ++Step;
    }
    Keyboard& o_;
    const int a_, dir_;
};

Keyboard::Keyboard(const Services& s) : s_(s)
{
    s.req.declare(JobKind::SwitchPoll);
    s.req.declare(JobKind::Switch);
    s.req.declare(JobKind::SwitchPulse);
    s.dispatch.on(ln::op::SwReq, [this](const ln::Msg& m) { sw_report(m); });
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

std::shared_ptr<Job> Keyboard::first_page()
{
    held_.reset(); // a key held on the old connection
    KeybBase = 0;
    emit page_shown(0);
    return poll_page(ReqEngine::Caller::Follow);
}

std::shared_ptr<Job> Keyboard::poll_page(ReqEngine::Caller caller)
{
    s_.req.cancel(poll_.lock(), End::Replaced);
    auto job = std::make_shared<PollJob>(*this, KeybBase);
    if (!s_.req.submit(job, caller))
        return nullptr;
    poll_ = job;
    return job;
}

void Keyboard::sw_report(const ln::Msg& m)
{
    const ln::SwitchRequest r(m);
    if (!r.on())
        return;
    const int a = r.address();
    if (a >= KeybBase && a <= KeybBase + 15)
        emit kb_anz(a - KeybBase, r.green() ? colour::Green : colour::Red);
    emit route_trigger_ma(a, r.green() ? 1 : 0);
}

void Keyboard::refused(int code)
{
    (void)code; // every acknowledge to a switch message says it was not taken
    s_.msgs.show(titles::LocoNetFehler, MagArtNichtBearbeitet, MsgIcon::Critical);
}

bool Keyboard::post_switch(int a, int dir, int on, ReqEngine::Caller caller)
{
    return s_.req.submit(std::make_shared<MessageJob>(JobKind::Switch,
                                                      ln::SwitchRequest::make(a, dir != 0, on != 0),
                                                      [this](int code) { refused(code); }),
                         caller);
}

bool Keyboard::press(int i, int dir)
{
    if (i < 0 || i >= pages::Size || !post_switch(KeybBase + i, dir, 1, ReqEngine::Caller::User))
        return false;
    held_ = Held{KeybBase + i, dir};
    return true;
}

void Keyboard::release()
{
    if (!held_)
        return;
    const Held h = *held_;
    held_.reset();
    // The coil of a press taken is always switched off, after whatever runs.
    post_switch(h.a, h.dir, 0, ReqEngine::Caller::Follow);
}

bool Keyboard::switch_pulse(int number, int dir, ReqEngine::Caller caller)
{
    if (number <= 0 || number > Accessories)
        return false;
    return s_.req.submit(std::make_shared<PulseJob>(*this, number - 1, dir), caller);
}

bool Keyboard::typed_switch(int number, int dir)
{
    // Out of range: nothing to refuse, nothing sent.
    if (number <= 0 || number > Accessories)
        return true;
    return switch_pulse(number, dir, ReqEngine::Caller::User);
}

QString Keyboard::page_entry(int k)
{
    return kPageEntry.arg(k + 1).arg(pages::range_text(k * pages::Size));
}

QString Keyboard::key_tip(int i, int dir) const
{
    return kKeyTip[dir & 1].arg(KeybBase + i + 1);
}
