#include "dispatch.h"

#include "core/clock.h"
#include "views.h"

namespace {
bool loco_request(uint8_t op)
{
    return op == ln::op::LocoAdr || op == ln::op::LocoAdrAlt;
}

// A long acknowledge names the opcode it answers; a loco request is
// answered for either of its two opcodes.
bool answers(const ln::LongAck& ack, uint8_t op)
{
    return ack.answers() == op || (loco_request(op) && loco_request(ack.answers()));
}

// The messages the station answers with a long acknowledge.
bool acknowledged(uint8_t op)
{
    using namespace ln::op;
    return op == SwReq || op == SwState || loco_request(op) || op == ImmPacket;
}
} // namespace

void Dispatch::await_ack(uint8_t op, AckHandler onAck)
{
    if (!acknowledged(op))
        return;
    lackWait_ = true;
    lackOp_ = op;
    lackTime_ = clock_.now();
    lackHandler_ = std::move(onAck);
}

void Dispatch::dispatch(const ln::Msg& m)
{
    const uint8_t op = m.op();
    if (op == ln::op::LongAck) {
        const ln::LongAck ack(m);
        if (lackWait_ && clock_.now() - lackTime_ > LackTimeout)
            lackWait_ = false; // unanswered: a late B4 may be another device's
        if (lackWait_ && answers(ack, lackOp_)) {
            lackWait_ = false;
            const AckHandler h = std::move(lackHandler_);
            lackHandler_ = {};
            if (h)
                h(ack.code());
        }
    }
    if (op == ln::op::PeerXfer)
        rx_peer(m);
    for (const Handler& h : handlers_[op])
        h(m);
}

void Dispatch::rx_peer(const ln::Msg& m)
{
    if (m[1] != 0x0F)
        return;
    ln::Msg decoded = m;
    ln::unpackHibits(decoded.data());
    for (const Handler& h : peer_[decoded[5] & 0x7F])
        h(decoded);
}
