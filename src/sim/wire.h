#pragma once
// The station's two directions on the bus: bytes in are cut into messages,
// messages out wait for their time and leave at LocoNet's own pace.

#include <QByteArray>
#include <QList>
#include <functional>
#include <map>

namespace sim {

// LocoNet runs at 16457 baud, 10 bits per byte (8N1).
constexpr double WireBytesPerSecond = 16457.0 / 10.0;

// Cuts a byte stream into messages by the opcode length rule. Data bytes
// outside a message, unfinished messages cut short by a new opcode and
// messages with an impossible length byte are dropped.
class MessageAssembler {
  public:
    QList<QByteArray> feed(const QByteArray& bytes);

  private:
    QByteArray current_;
    int length_ = 0; // expected length; -1 until byte 1 is known; 0 idle
};

// Messages waiting to be written, in the order of their due times. Paced,
// the queue holds at most a few seconds of wire time, as a station's buffer
// does: what arrives faster than the bus carries is dropped and counted.
class Transmitter {
  public:
    explicit Transmitter(bool pace) : pace_(pace) {}

    static constexpr qsizetype MaxPacedBytes = qsizetype(2 * WireBytesPerSecond);

    // Messages with equal due times leave in the order they were queued.
    // False when the message was dropped.
    bool queue(const QByteArray& message, double due);
    // The bytes that may be written at `now`; `sent` hears of each message
    // whose last byte is among them.
    QByteArray take(double now, const std::function<void(const QByteArray&)>& sent);
    bool idle() const { return queue_.empty(); }
    // When take() has bytes to give next; negative while nothing waits.
    double next_due() const;
    // Messages dropped so far because the paced queue was full.
    qint64 dropped() const { return dropped_; }

  private:
    struct Item {
        QByteArray bytes;
        int written = 0;
    };
    // By due time; a multimap keeps equal times in insertion order and
    // inserts in logarithmic time, however many wait (a flood queues an
    // echo per message).
    std::multimap<double, Item> queue_;
    qsizetype queuedBytes_ = 0;
    qint64 dropped_ = 0;
    bool pace_;
    double wireFree_ = 0; // when the byte now on the wire has been sent
};

} // namespace sim
