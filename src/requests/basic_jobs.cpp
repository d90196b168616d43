#include "basic_jobs.h"

#include "core/station_state.h"
#include "loconet/dispatch.h"
#include "loconet/views.h"

Power::Power(ReqEngine& req, StationState& state, Dispatch& dispatch) : req_(req)
{
    req.declare(JobKind::PowerOff);
    req.declare(JobKind::PowerOn);
    dispatch.on(ln::op::GpOff, [&state](const ln::Msg&) { state.show_power(0); });
    dispatch.on(ln::op::GpOn, [&state](const ln::Msg&) { state.show_power(1); });
}

bool Power::set(bool on, ReqEngine::Caller caller)
{
    const auto kind = on ? JobKind::PowerOn : JobKind::PowerOff;
    return req_.submit(std::make_shared<MessageJob>(kind, QByteArray(1, char(on ? ln::op::GpOn : ln::op::GpOff))),
                       caller);
}

RawMessage::RawMessage(ReqEngine& req, Link& link) : req_(req), link_(link)
{
    req.declare(JobKind::RawMessage);
}

bool RawMessage::send(const QString& text)
{
    if (!req_.admit(JobKind::RawMessage))
        return false;
    QByteArray bytes = link_.hex_bytes(text);
    if (bytes.isEmpty())
        return false;
    if (ln::isWholeMessage(reinterpret_cast<const uint8_t*>(bytes.constData()), int(bytes.size())))
        bytes.chop(1);
    return req_.submit(std::make_shared<MessageJob>(JobKind::RawMessage, bytes));
}
