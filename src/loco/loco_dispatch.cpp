#include "loco_dispatch.h"

#include "core/clock.h"
#include "core/messages.h"
#include "core/number_text.h"
#include "loconet/link.h"
#include "slots.h"
#include "loconet/views.h"

namespace {
const QString kStatusNichtGesendet =
    QStringLiteral("Slot Status Write konnte nicht gesendet werden!");

enum Step { Request, AwaitSlot, Status, AwaitStatus, AwaitMove };
constexpr int DispatchSlot = 0;
} // namespace

class LocoDispatch::DispatchJob : public Job {
  public:
    DispatchJob(LocoDispatch& owner, int adr) : Job(JobKind::LocoDispatch), o_(owner), adr_(adr)
    {
        QObject::connect(&o_.slots_, &Slots::slot_data, &guard_, [this](int s) {
            const SlotRec& r = o_.slots_.SlotData[size_t(s)];
            if (Step == AwaitSlot && r.Adr == adr_)
                loco_ = r;
        });
    }

  protected:
    // Steps run only while the transmit buffer is free: a send step's
    // message has been echoed by then, or given up by the link.
    bool step() override
    {
        switch (Step) {
        case Request: {
            const QByteArray request = o_.slots_.loco_request(adr_);
            if (request.isEmpty())
                return false; // held until the station type is known
            send(request);
            Step = AwaitSlot;
            wait(Timeout);
            return false;
        }
        case AwaitSlot:
            if (loco_.Slot == 0)
                return expired() ? fail(KeineAntwortLok) : false;
            send(ln::SlotStatus::make(loco_.Slot, common_status(loco_.Stat)));
            Step = AwaitStatus;
            return false;
        case AwaitStatus:
            if (expired())
                return fail(kStatusNichtGesendet);
            send(ln::MoveSlots::make(loco_.Slot, DispatchSlot));
            Step = AwaitMove;
            return false;
        default: return expired() ? fail(kStatusNichtGesendet) : true;
        }
    }
    void ending(End) override { emit o_.dispatch_ended(); }

  private:
    bool fail(const QString& text)
    {
        o_.s_.msgs.show(titles::Fehler, text, MsgIcon::Critical);
        return finish(End::TimedOut);
    }
    LocoDispatch& o_;
    const int adr_;
    SlotRec loco_; // the slot data the station gave for adr_
    QObject guard_;
};

LocoDispatch::LocoDispatch(const Services& s, Slots& slotTable) : s_(s), slots_(slotTable)
{
    s.req.declare(JobKind::LocoDispatch);
}

std::optional<int> LocoDispatch::address(const QString& text)
{
    return number_in(text, 1, MaxAddress);
}

bool LocoDispatch::dispatch(int adr)
{
    return s_.req.submit(std::make_shared<DispatchJob>(*this, adr));
}
