#pragma once
// A fresh core connected to the virtual station in memory, which answers as
// the program runs on the fake clock.

#include "rig.h"
#include "sim/virtual_station.h"

struct StationRig {
    Rig rig;
    sim::VirtualStation station{rig.bus, rig.clock};
    StationRig()
    {
        rig.station = [this] { station.poll(); };
        rig.core->conn.connect_port("1");
        rig.run(3);
        rig.takeWire();
    }
};
