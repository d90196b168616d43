#pragma once
// The virtual station at the far end of an in-memory port, paced at
// LocoNet's wire rate and polled on a 1 ms timer and on every arrival, as
// the benchmarks run the program against it in real time.

#include "loconet/memory_port.h"
#include "sim/virtual_station.h"

#include <QTimer>

struct PacedStation {
    PacedStation(const Clock& clock, sim::StationOptions options)
        : station(open(ports.b), clock, paced(options))
    {
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, [this] { station.poll(); });
        QObject::connect(&ports.b, &Port::readyRead, [this] { station.poll(); });
        timer.start(1);
    }

    MemoryPortPair ports; // a: the program's side
    sim::VirtualStation station;
    QTimer timer;

  private:
    static Port& open(MemoryPort& p)
    {
        p.open(QStringLiteral("station"), {});
        return p;
    }
    static sim::StationOptions paced(sim::StationOptions o)
    {
        o.pace = true;
        return o;
    }
};
