#pragma once
// The virtual station at the far end of an in-memory port, paced at
// LocoNet's wire rate, answering on arrival and waking for what is due, as
// the benchmarks run the program against it in real time.

#include "loconet/memory_port.h"
#include "sim/station_runner.h"
#include "sim/virtual_station.h"

struct PacedStation {
    PacedStation(const Clock& clock, sim::StationOptions options, bool pace = true)
        : station(open(ports.b), clock, paced(options, pace)), runner(station, ports.b, clock)
    {
    }

    MemoryPortPair ports; // a: the program's side
    sim::VirtualStation station;
    sim::StationRunner runner;

  private:
    static Port& open(MemoryPort& p)
    {
        p.open(QStringLiteral("station"), {});
        return p;
    }
    static sim::StationOptions paced(sim::StationOptions o, bool pace)
    {
        o.pace = pace;
        return o;
    }
};
