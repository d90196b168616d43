#pragma once
// Traffic log, one line per message: seconds, what happened, hex bytes, as in
//    12.345  TX  82 7D
// RX: taken in for dispatch; BAD: refused for its checksum; TX: written.
// Each line reaches the device at once, so a crash or a kill loses none.

#include <QByteArray>
#include <QString>

class QIODevice;

namespace ln {

enum class Traffic { Rx, Tx, Bad };
// "RX", "TX" or "BAD", as the trace and the monitor show it.
QString tag(Traffic what);

// Something that watches the traffic of a link (trace file, monitor window,
// LbServer). Taps are told in the order the messages happen.
class TrafficTap {
  public:
    virtual ~TrafficTap() = default;
    virtual void traffic(double seconds, Traffic what, const QByteArray& message) = 0;
};

class TraceWriter : public TrafficTap {
  public:
    // The device stays the caller's; it must be open for writing.
    explicit TraceWriter(QIODevice* out) : out_(out) {}

    void line(double seconds, Traffic what, const QByteArray& message);
    void traffic(double seconds, Traffic what, const QByteArray& message) override
    {
        line(seconds, what, message);
    }
    static QString format(double seconds, Traffic what, const QByteArray& message);

  private:
    QIODevice* out_;
};

} // namespace ln
