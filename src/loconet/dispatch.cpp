#include "dispatch.h"

#include "core/clock.h"
#include "core/messages.h"

namespace {
const QString kMagArtNichtBearbeitet = QStringLiteral("Mag.Art.Message wurde nicht bearbeitet");
const QString kLokNichtAngemeldet = QStringLiteral("Lok konnte nicht angemeldet werden!");
const QString kSoSchreiben = QStringLiteral("Fehler: SO schreiben");
const QString kSoLesen = QStringLiteral("Fehler: SO lesen");
const QString kLokFmtSchreiben = QStringLiteral("Fehler: Lokdatenformat schreiben");
const QString kLokFmtLesen = QStringLiteral("Fehler: Lokdatenformat lesen");
const QString kLncvLesen = QStringLiteral("Fehler: LNCV lesen");

// Byte 1 of a long acknowledge names the opcode it answers; a loco request
// is answered for either of its two opcodes.
bool answers(uint8_t acked, uint8_t op)
{
    if (op == 0xBE || op == 0xBF)
        return acked == 0x3E || acked == 0x3F;
    return acked == (op & 0x7F);
}

// What a refusing long acknowledge to a command message means; empty for
// commands whose acknowledge code the running job evaluates itself.
QString refusal_text(uint8_t cmd)
{
    switch (cmd) {
    case 1: return kSoSchreiben;
    case 2: return kSoLesen;
    case 12: return kLokFmtSchreiben;
    case 13: return kLokFmtLesen;
    case 33: return kLncvLesen;
    default: return {};
    }
}
} // namespace

void Dispatch::await_ack(uint8_t op, uint8_t cmd)
{
    LackWait = true;
    LackOp = op;
    LackCmd = cmd;
    LackTime = clock_.now();
}

void Dispatch::dispatch(const ln::Msg& m)
{
    const uint8_t op = m.op();
    if (op == 0xB4) {
        if (LackWait && clock_.now() - LackTime > LackTimeout)
            LackWait = false; // unanswered: a late B4 may be another device's
        if (LackWait && answers(m[1], LackOp)) {
            LackWait = false;
            long_ack(m);
        }
        return;
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

void Dispatch::error(const QString& text)
{
    msgs_.show(titles::LocoNetFehler, text, MsgIcon::Critical);
}

void Dispatch::long_ack(const ln::Msg& m)
{
    switch (LackOp) {
    case 0xB0: error(kMagArtNichtBearbeitet); break;
    case 0xBC:
        if (sw_state_answer)
            sw_state_answer(m);
        break;
    case 0xBE:
    case 0xBF: error(kLokNichtAngemeldet); break;
    case 0xED: {
        LackCode = m[2];
        // A read of an LNCV is answered by a peer message, never acknowledged.
        const QString text = refusal_text(LackCmd);
        if (!text.isEmpty() && (LackCmd == 33 || m[2] != 0x7F))
            error(text);
        break;
    }
    default: break;
    }
}
