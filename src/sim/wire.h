#pragma once
// The station's two directions on the bus: bytes in are cut into messages,
// messages out wait for their time and leave at LocoNet's own pace.

#include <QByteArray>
#include <QList>
#include <deque>
#include <functional>

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

// Messages waiting to be written, in the order of their due times.
class Transmitter {
  public:
    explicit Transmitter(bool pace) : pace_(pace) {}

    // Messages with equal due times leave in the order they were queued.
    void queue(const QByteArray& message, double due);
    // The bytes that may be written at `now`; `sent` hears of each message
    // whose last byte is among them.
    QByteArray take(double now, const std::function<void(const QByteArray&)>& sent);
    bool idle() const { return queue_.empty(); }

  private:
    struct Item {
        double due;
        QByteArray bytes;
        int written = 0;
    };
    std::deque<Item> queue_;
    bool pace_;
    double wireFree_ = 0; // when the byte now on the wire has been sent
};

} // namespace sim
