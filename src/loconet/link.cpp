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

void Link::addProducer(Producer* p)
{
    if (p && std::find(producers_.begin(), producers_.end(), p) == producers_.end())
        producers_.push_back(p);
}

void Link::removeProducer(Producer* p)
{
    producers_.erase(std::remove(producers_.begin(), producers_.end(), p), producers_.end());
    if (owner_ == p)
        owner_ = nullptr;
}

void Link::free_buffer(bool echoed)
{
    Producer* owner = owner_;
    owner_ = nullptr;
    txAck_ = {};
    LnTxLast = -1;
    LnTxSent = false;
    txPos_ = -1;
    again_ = true;
    if (owner)
        owner->finished(echoed);
}

void Link::reset()
{
    if (LnTxLast != -1)
        free_buffer(false);
    rxBusy_ = false;
    dispatch_.forget_ack();
}

void Link::setActive(bool active)
{
    active_ = active;
    if (active)
        service();
}

bool Link::put(std::initializer_list<int> bytes, AckHandler onAck)
{
    return put(ln::bytes(bytes), std::move(onAck));
}

bool Link::put(const QByteArray& bytes, AckHandler onAck)
{
    if (!txFree() || bytes.isEmpty() || bytes.size() > 64)
        return false;
    std::copy(bytes.begin(), bytes.end(), LnTx.begin());
    LnTxLast = int(bytes.size()) - 1;
    txAck_ = std::move(onAck);
    return true;
}

QByteArray Link::hex_bytes(const QString& text)
{
    // No regular expression: one gives up on text that is not valid UTF-16.
    const QStringList tokens = text.simplified().split(u' ', Qt::SkipEmptyParts);
    if (tokens.isEmpty())
        return {};
    if (tokens.size() > 64) {
        msgs_.show(titles::Fehler, kZuVieleWerte);
        return {};
    }
    QByteArray bytes;
    for (const QString& token : tokens) {
        const int v = hex_byte(token);
        if (v < 0) {
            msgs_.show(titles::Fehler, kKeinWert.arg(token));
            return {};
        }
        bytes.append(char(v));
    }
    return bytes;
}

bool Link::hex_to_tx(const QString& text)
{
    return txFree() && put(hex_bytes(text));
}

void Link::give_up()
{
    if (!guest_owned())
        msgs_.show(titles::LocoNetFehler, kNichtGesendet);
    free_buffer(false);
}

void Link::service()
{
    // A producer's put, an echo taken in while writing (a peer that answers
    // at once) or a handler's request all come back here: one loop serves them.
    if (serving_) {
        again_ = true;
        return;
    }
    {
        QScopedValueRollback<bool> guard(serving_, true);
        do {
            again_ = false;
            if (txFree() && active_)
                offer();
            if (!txFree() && !LnTxSent)
                write_pending();
        } while (again_);
    }
    emit serviced();
}

void Link::offer()
{
    // By index: a producer may add or remove producers.
    for (size_t i = 0; i < producers_.size() && txFree(); ++i) {
        Producer* p = producers_[i];
        p->fill(*this);
        if (!txFree() && !owner_)
            owner_ = p;
    }
}

void Link::write_pending()
{
    const double now = clock_.now();
    const int end = LnTxLast + 1; // index of the checksum
    if (txPos_ < 0) {
        LnTx[size_t(end)] = ln::checksum(LnTx.data(), end);
        txPos_ = 0;
        txBegun_ = now;
    }
    const char* bytes = reinterpret_cast<const char*>(LnTx.data());
    if (PortType != 1) {
        txPos_ = -1;
        LnTxSent = true; // before the write: a peer may echo it within it
        LnTxTime = now;
        tell(ln::Traffic::Tx, LnTx.data(), end + 1);
        port_.write(QByteArray(bytes, end + 1));
        return;
    }
    // The older station paces us with CTS; whatever it holds back is
    // written when tick() finds the line on again, and a line that stays
    // off ends the send.
    while (txPos_ <= end && port_.cts()) {
        port_.write(QByteArray(bytes + txPos_, 1));
        ++txPos_;
    }
    if (txPos_ <= end)
        return;
    txPos_ = -1;
    LnTxSent = true;
    LnTxTime = now;
    tell(ln::Traffic::Tx, LnTx.data(), end + 1);
}

void Link::tick()
{
    const double now = clock_.now();
    if (LnTxLast != -1 && LnTxSent && now - LnTxTime > EchoTimeout)
        give_up();
    else if (LnTxLast != -1 && !LnTxSent && txPos_ >= 0 && now - txBegun_ > EchoTimeout)
        give_up();
    service();
}

double Link::next_due() const
{
    if (LnTxLast == -1)
        return -1;
    if (LnTxSent)
        return LnTxTime + EchoTimeout;
    // Held by CTS: tried again shortly, given up after the time-out.
    return txPos_ >= 0 ? clock_.now() + CtsRetry : -1;
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
    const bool inService = serving_;
    {
        QScopedValueRollback<bool> guard(receiving_, true);
        // What handlers ask for is served once the input is taken, never
        // halfway through the handlers of one message.
        QScopedValueRollback<bool> hold(serving_, true);
        while (port_.isOpen() && port_.bytesAvailable() > 0) {
            const QByteArray data = port_.readAll();
            if (data.isEmpty())
                break;
            for (char c : data)
                receive_byte(uint8_t(c));
        }
    }
    if (inService)
        again_ = true;
    else
        service();
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
    // Every message may be the answer a job waits for.
    again_ = true;
    if (!LnTxSent || !is_echo())
        return;
    if (!guest_owned())
        dispatch_.await_ack(LnTx[0], txAck_);
    free_buffer(true);
}

bool Link::is_echo() const
{
    return rxLen_ == LnTxLast + 2 && std::equal(LnTx.begin(), LnTx.begin() + rxLen_, rx_.data());
}
