#include "loco_dispatch.h"

#include "core/clock.h"
#include "core/messages.h"
#include "core/number_text.h"
#include "loconet/link.h"
#include "requests/engine.h"
#include "slots.h"

namespace {
const QString kStatusNichtGesendet =
    QStringLiteral("Slot Status Write konnte nicht gesendet werden!");

constexpr int Job = 70;
enum Step { Request, AwaitSlot, Status, AwaitStatus, AwaitMove };
constexpr int SlotStatus = 0xB5, MoveSlots = 0xBA;
constexpr int DispatchSlot = 0;
} // namespace

LocoDispatch::LocoDispatch(const Services& s, Slots& slotTable) : s_(s), slots_(slotTable)
{
    s.req.registerJob(Job, {[this] { return lok_dispatch(); },
                            [this](ReqEngine::End) { emit dispatch_ended(); }});
}

std::optional<int> LocoDispatch::address(const QString& text)
{
    return number_in(text, 1, MaxAddress);
}

bool LocoDispatch::dispatch(int adr)
{
    if (!s_.req.allowed())
        return false;
    s_.req.ReqAdr = adr;
    s_.req.post(Job);
    return true;
}

bool LocoDispatch::fail(const QString& text)
{
    s_.msgs.show(titles::Fehler, text, MsgIcon::Critical);
    return true;
}

bool LocoDispatch::lok_dispatch()
{
    ReqEngine& req = s_.req;
    SlotRec& loco = slots_.ReqLoco;
    // Steps run only while the transmit buffer is free: a send step's
    // message has been echoed by then, or given up by the link.
    const bool late = s_.clock.now() - req.ReqTime > Timeout;
    switch (req.ReqStep) {
    case Request:
        if (!slots_.put_loco_request(req.ReqAdr))
            return false; // held until the station type is known
        // The slot table copies the slot data for this address into ReqLoco.
        loco.Adr = req.ReqAdr;
        loco.Slot = -1;
        req.ReqTime = s_.clock.now();
        req.ReqStep = AwaitSlot;
        return false;
    case AwaitSlot:
        if (loco.Slot == -1)
            return late ? fail(KeineAntwortLok) : false;
        req.ReqStep = Status;
        [[fallthrough]];
    case Status:
        s_.link.put({SlotStatus, loco.Slot, common_status(loco.Stat)});
        req.ReqStep = AwaitStatus;
        return false;
    case AwaitStatus:
        if (late)
            return fail(kStatusNichtGesendet);
        s_.link.put({MoveSlots, loco.Slot, DispatchSlot});
        req.ReqStep = AwaitMove;
        return false;
    case AwaitMove: return late ? fail(kStatusNichtGesendet) : true;
    default: return true;
    }
}
