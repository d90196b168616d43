#pragma once
// A virtual station on a fake clock, with the program's end of the wire in
// the test's hand.

#include "core/clock.h"
#include "loconet/memory_port.h"
#include "loconet/message.h"
#include "sim/virtual_station.h"

#include <QStringList>
#include <memory>

// "BB 00 00" -> the bytes, checksum added.
inline QByteArray framed(const QString& hex)
{
    return ln::frame(QByteArray::fromHex(hex.toLatin1()));
}

// Several messages, separated by "|", each framed.
inline QByteArray framedAll(const QString& hexList)
{
    QByteArray out;
    for (const QString& m : hexList.split('|', Qt::SkipEmptyParts))
        out += framed(m);
    return out;
}

struct SimBench {
    explicit SimBench(sim::StationOptions options = {})
    {
        ports.a.open(QStringLiteral("program"), {});
        ports.b.open(QStringLiteral("station"), {});
        station = std::make_unique<sim::VirtualStation>(ports.b, clock, options);
    }

    // Advances the clock in 1 ms steps, polling each time; returns what the
    // station wrote meanwhile.
    QByteArray run(double seconds)
    {
        for (double t = 0; t < seconds; t += 0.001) {
            station->poll();
            clock.advance(0.001);
        }
        station->poll();
        return ports.a.readAll();
    }
    QByteArray talk(const QString& hex, double seconds = 1.0)
    {
        ports.a.write(framed(hex));
        return run(seconds);
    }
    // Each message of the list in turn, its echo and answers discarded.
    void prepare(const QStringList& messages)
    {
        for (const QString& m : messages)
            talk(m);
    }

    FakeClock clock;
    MemoryPortPair ports;
    std::unique_ptr<sim::VirtualStation> station;
};

// True when every message in the stream has a good checksum.
inline bool checksumsOk(const QByteArray& stream)
{
    int start = 0;
    while (start < stream.size()) {
        const int len = ln::Msg(stream.mid(start)).length();
        if (len <= 0 || start + len > stream.size() || !ln::checksumOk(stream.mid(start, len)))
            return false;
        start += len;
    }
    return true;
}
