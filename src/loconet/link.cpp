#include "link.h"

#include "core/clock.h"
#include "core/messages.h"
#include "dispatch.h"
#include "port.h"

#include <QRegularExpression>

namespace {
const QString kNichtGesendet = QStringLiteral("Message kann nicht gesendet werden!");
const QString kZuVieleWerte =
    QStringLiteral("Die Nachricht hat mehr als 64 Werte und wird nicht gesendet.");
const QString kWertZuGross =
    QStringLiteral("Der Wert %1 ist größer als FF; die Nachricht wird nicht gesendet.");
} // namespace

Link::Link(Clock& clock, Port& port, Dispatch& dispatch, MessageService& msgs, const int& ifType)
    : clock_(clock), port_(port), dispatch_(dispatch), msgs_(msgs), ifType_(ifType)
{
}

void Link::reset()
{
    LnTxLast = -1;
    LnTxSent = false;
    txPos_ = -1;
    LnRxWr = LnRxRd = 0;
    LnRxBusy = LnRxFull = false;
    LnRxEmpty = true;
    dispatch_.LackWait = false;
}

bool Link::put(std::initializer_list<int> bytes)
{
    if (!txFree() || bytes.size() == 0 || bytes.size() > 64)
        return false;
    int i = 0;
    for (int b : bytes)
        LnTx[size_t(i++)] = uint8_t(b);
    LnTxLast = i - 1;
    return true;
}

bool Link::put_command(int cmd, std::array<int, 7> args, int sig0, int sig1)
{
    if (!txFree())
        return false;
    const int head[6] = {0xED, 0x0F, 0x01, sig0, sig1, cmd};
    for (int i = 0; i < 6; ++i)
        LnTx[size_t(i)] = uint8_t(head[i]);
    LnTx[6] = 0;
    for (int k = 0; k < 7; ++k)
        LnTx[size_t(7 + k)] = uint8_t(args[size_t(k)]);
    pack_hibits();
    LnTxLast = 13;
    return true;
}

bool Link::hex_to_tx(const QString& text)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    static const QRegularExpression hexDigits(QStringLiteral("^[0-9A-Fa-f]+$"));
    const QStringList tokens = text.split(blanks, Qt::SkipEmptyParts);
    if (tokens.isEmpty() || !txFree())
        return false;
    if (tokens.size() > 64) {
        msgs_.show(titles::Fehler, kZuVieleWerte);
        return false;
    }
    std::array<uint8_t, 64> bytes{};
    for (int i = 0; i < tokens.size(); ++i) {
        const QString& t = tokens[i];
        if (!hexDigits.match(t).hasMatch())
            continue; // not hexadecimal: reads as 0
        qsizetype first = 0;
        while (first < t.size() - 1 && t[first] == u'0')
            ++first;
        const QString digits = t.mid(first);
        if (digits.size() > 2) {
            msgs_.show(titles::Fehler, kWertZuGross.arg(t));
            return false;
        }
        const uint v = digits.toUInt(nullptr, 16);
        bytes[size_t(i)] = uint8_t(v);
    }
    std::copy(bytes.begin(), bytes.begin() + tokens.size(), LnTx.begin());
    LnTxLast = int(tokens.size()) - 1;
    return true;
}

void Link::give_up()
{
    msgs_.show(titles::LocoNetFehler, kNichtGesendet);
    LnTxLast = -1;
    LnTxSent = false;
    txPos_ = -1;
}

void Link::ln_send()
{
    if (LnTxLast == -1)
        return;
    const double now = clock_.now();
    if (LnTxSent) {
        if (now - LnTxTime > EchoTimeout)
            give_up();
        return;
    }
    const int end = LnTxLast + 1; // index of the checksum
    if (txPos_ < 0) {
        LnTx[size_t(end)] = ln::checksum(LnTx.data(), end);
        txPos_ = 0;
        txBegun_ = now;
    }
    const char* bytes = reinterpret_cast<const char*>(LnTx.data());
    if (ifType_ != 1) {
        port_.write(QByteArray(bytes, end + 1));
    } else {
        // The older station paces us with CTS; whatever it holds back is
        // written on later ticks, and a line that stays off ends the send.
        while (txPos_ <= end && port_.cts()) {
            port_.write(QByteArray(bytes + txPos_, 1));
            ++txPos_;
        }
        if (txPos_ <= end) {
            if (now - txBegun_ > EchoTimeout)
                give_up();
            return;
        }
    }
    txPos_ = -1;
    LnTxSent = true;
    LnTxTime = now;
    emit sent(QByteArray(bytes, end + 1));
}

void Link::com_input()
{
    while (port_.isOpen() && port_.bytesAvailable() > 0) {
        const QByteArray data = port_.readAll();
        if (data.isEmpty())
            break;
        for (char c : data)
            receive_byte(uint8_t(c));
    }
}

void Link::receive_byte(uint8_t b)
{
    if (b & 0x80) {
        LnRxBusy = true;
        if (!LnRxFull) {
            if ((LnRxWr + 1) % 32 == LnRxRd)
                LnRxFull = true;
            else
                LnRxSlot = (LnRxWr + 1) % 32;
        }
        // In a full ring the new message replaces the newest waiting one;
        // that one stops counting as waiting so it is never taken half-written.
        if (LnRxFull && LnRxSlot == LnRxWr && !LnRxEmpty) {
            LnRxWr = (LnRxWr + 31) % 32;
            if (LnRxWr == LnRxRd)
                LnRxEmpty = true;
        }
        LnRxPos = -1;
        LnRxLen = ln::opcodeLength(b);
    }
    if (!LnRxBusy)
        return; // data byte outside a message
    ++LnRxPos;
    if (LnRxPos > 64) { // never complete (length byte 1): drop it before the row ends
        LnRxBusy = false;
        return;
    }
    if (LnRxPos == 1 && LnRxLen == -1) {
        LnRxLen = b;
        if (b == 0 || b > ln::MaxLen)
            LnRxBusy = false;
    }
    LnRx[LnRxSlot][LnRxPos] = b;
    if (LnRxBusy && LnRxPos == LnRxLen - 1) {
        LnRxWr = LnRxSlot;
        LnRxEmpty = false;
        LnRxBusy = false;
        emit received(QByteArray(reinterpret_cast<const char*>(LnRx[LnRxSlot]), LnRxLen));
    }
}

void Link::ln_receive()
{
    // Every waiting message is taken in arrival order, each with the full
    // per-message rules, so a burst between two ticks is not lost.
    while (!LnRxEmpty) {
        if (LnRxRd == LnRxWr) { // nothing waits after all
            LnRxEmpty = true;
            break;
        }
        LnRxRd = (LnRxRd + 1) % 32;
        LnRxFull = false;
        const ln::Msg m(LnRx[LnRxRd]);
        if (m.op() == 0x81) { // busy: skipped entirely
            if (LnRxWr == LnRxRd)
                LnRxEmpty = true;
            continue;
        }
        dispatch_.dispatch(m);
        dispatch_.LackWait = false;
        if (LnTxSent) {
            bool echo = true;
            for (int k = 0; k <= LnTxLast + 1; ++k)
                if (m[k] != LnTx[size_t(k)]) {
                    echo = false;
                    break;
                }
            if (echo) {
                LnTxSent = false;
                const uint8_t op = LnTx[0];
                if (op == 0xB0 || op == 0xBC || op == 0xBF || op == 0xED) {
                    dispatch_.LackWait = true;
                    dispatch_.LackOp = op;
                    if (op == 0xED)
                        dispatch_.LackCmd = LnTx[5];
                }
                LnTxLast = -1;
            }
        }
        if (LnRxWr == LnRxRd)
            LnRxEmpty = true;
    }
}
