#include "dispatch.h"

#include "core/clock.h"

namespace {
// Byte 1 of a long acknowledge names the opcode it answers; a loco request
// is answered for either of its two opcodes.
bool answers(uint8_t acked, uint8_t op)
{
    if (op == 0xBE || op == 0xBF)
        return acked == 0x3E || acked == 0x3F;
    return acked == (op & 0x7F);
}

// The messages the station answers with a long acknowledge.
bool acknowledged(uint8_t op)
{
    return op == 0xB0 || op == 0xBC || op == 0xBE || op == 0xBF || op == 0xED;
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
    if (op == 0xB4) {
        if (lackWait_ && clock_.now() - lackTime_ > LackTimeout)
            lackWait_ = false; // unanswered: a late B4 may be another device's
        if (lackWait_ && answers(m[1], lackOp_)) {
            lackWait_ = false;
            const AckHandler h = std::move(lackHandler_);
            lackHandler_ = {};
            if (h)
                h(m[2]);
        }
    }
    if (op == 0xE5)
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
