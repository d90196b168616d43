#include "link.h"

#include "core/clock.h"
#include "core/messages.h"
#include "dispatch.h"
#include "port.h"
#include "trace.h"

#include <QScopedValueRollback>
#include <algorithm>

namespace {
const QString kNichtGesendet = QStringLiteral("Message kann nicht gesendet werden!");
const QString kZuVieleWerte =
    QStringLiteral("Die Nachricht hat mehr als 64 Werte und wird nicht gesendet.");
const QString kKeinWert =
    QStringLiteral("\"%1\" ist kein Wert aus ein oder zwei Hexziffern (00 bis FF); "
                   "die Nachricht wird nicht gesendet.");

QByteArray bytes_of(const uint8_t* b, int n)
{
    return QByteArray(reinterpret_cast<const char*>(b), n);
}

// A byte written as one or two hex digits; -1 for anything else.
int hex_byte(const QString& token)
{
    static const QString digits = QStringLiteral("0123456789ABCDEF");
    if (token.size() > 2)
        return -1;
    int v = 0;
    for (const QChar c : token) {
        const int d = int(digits.indexOf(c.toUpper()));
        if (d < 0)
            return -1;
        v = v * 16 + d;
    }
    return v;
}
} // namespace

Link::Link(Clock& clock, Port& port, Dispatch& dispatch, MessageService& msgs)
    : clock_(clock), port_(port), dispatch_(dispatch), msgs_(msgs)
{
}

void Link::setTrace(ln::TraceWriter* trace)
{
    removeTap(trace_);
    trace_ = trace;
    addTap(trace);
}

void Link::addTap(ln::TrafficTap* tap)
{
    if (tap && std::find(taps_.begin(), taps_.end(), tap) == taps_.end())
        taps_.push_back(tap);
}

void Link::removeTap(ln::TrafficTap* tap)
{
    taps_.erase(std::remove(taps_.begin(), taps_.end(), tap), taps_.end());
}

void Link::tell(ln::Traffic what, const uint8_t* bytes, int count)
{
    if (taps_.empty())
        return;
    const double now = clock_.now();
    const QByteArray message = bytes_of(bytes, count);
    // By index: a tap may detach itself (a window closing on a message).
    for (size_t i = 0; i < taps_.size(); ++i)
        taps_[i]->traffic(now, what, message);
}

void Link::end_guest(bool echoed)
{
    if (!guestOwned_)
        return;
    guestOwned_ = false;
    if (guest_)
        guest_->finished(echoed);
}

void Link::reset()
{
    end_guest(false);
    LnTxLast = -1;
    LnTxSent = false;
    txPos_ = -1;
    rxBusy_ = false;
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

bool Link::put(const QByteArray& bytes)
{
    if (!txFree() || bytes.isEmpty() || bytes.size() > 64)
        return false;
    std::copy(bytes.begin(), bytes.end(), LnTx.begin());
    LnTxLast = int(bytes.size()) - 1;
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
    // No regular expression: one gives up on text that is not valid UTF-16.
    const QStringList tokens = text.simplified().split(u' ', Qt::SkipEmptyParts);
    if (tokens.isEmpty() || !txFree())
        return false;
    if (tokens.size() > 64) {
        msgs_.show(titles::Fehler, kZuVieleWerte);
        return false;
    }
    std::array<uint8_t, 64> bytes{};
    for (int i = 0; i < tokens.size(); ++i) {
        const int v = hex_byte(tokens[i]);
        if (v < 0) {
            msgs_.show(titles::Fehler, kKeinWert.arg(tokens[i]));
            return false;
        }
        bytes[size_t(i)] = uint8_t(v);
    }
    std::copy(bytes.begin(), bytes.begin() + tokens.size(), LnTx.begin());
    LnTxLast = int(tokens.size()) - 1;
    return true;
}

void Link::give_up()
{
    if (guestOwned_)
        end_guest(false);
    else
        msgs_.show(titles::LocoNetFehler, kNichtGesendet);
    LnTxLast = -1;
    LnTxSent = false;
    txPos_ = -1;
}

void Link::ln_send()
{
    if (LnTxLast == -1) {
        if (!guest_ || !guest_->fill(*this))
            return;
        guestOwned_ = true;
    }
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
    if (PortType != 1) {
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
    tell(ln::Traffic::Tx, LnTx.data(), end + 1);
}

void Link::send_now(const QByteArray& bytes)
{
    if (!port_.isOpen() || bytes.isEmpty() || bytes.size() > ln::MaxLen - 1)
        return;
    const QByteArray message = ln::frame(bytes);
    port_.write(message);
    tell(ln::Traffic::Tx, reinterpret_cast<const uint8_t*>(message.constData()),
         int(message.size()));
}

void Link::com_input()
{
    // A handler that makes the port deliver more bytes (an in-memory peer
    // answers at once) must not dispatch them before the current message
    // is done: the running loop reads them next, in order.
    if (receiving_)
        return;
    QScopedValueRollback<bool> guard(receiving_, true);
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
    if (b & 0x80) { // an opcode abandons whatever was unfinished
        rx_ = ln::Msg();
        rxBusy_ = true;
        rxPos_ = -1;
        rxLen_ = ln::opcodeLength(b);
    }
    if (!rxBusy_)
        return; // data byte outside a message
    ++rxPos_;
    if (rxPos_ == 1 && rxLen_ == -1) {
        rxLen_ = b;
        if (b < 2 || b > ln::MaxLen) { // no such message: ignored to the next opcode
            rxBusy_ = false;
            return;
        }
    }
    rx_.data()[rxPos_] = b;
    if (rxPos_ == rxLen_ - 1) {
        rxBusy_ = false;
        take();
    }
}

void Link::take()
{
    const bool intact = ln::checksum(rx_.data(), rxLen_) == 0;
    tell(intact ? ln::Traffic::Rx : ln::Traffic::Bad, rx_.data(), rxLen_);
    if (!intact) { // corrupted on the way: acting on it could switch the wrong thing
        ++LnRxBad;
        return;
    }
    if (rx_.op() == 0x81) // busy: nothing to dispatch, never an echo or an answer
        return;
    dispatch_.dispatch(rx_);
    if (!LnTxSent || !is_echo())
        return;
    LnTxSent = false;
    const uint8_t op = LnTx[0];
    const bool ownAck = op == 0xB0 || op == 0xBC || op == 0xBE || op == 0xBF || op == 0xED;
    if (ownAck && !guestOwned_)
        dispatch_.await_ack(op, LnTx[5]);
    LnTxLast = -1;
    end_guest(true);
}

bool Link::is_echo() const
{
    return rxLen_ == LnTxLast + 2 && std::equal(LnTx.begin(), LnTx.begin() + rxLen_, rx_.data());
}
