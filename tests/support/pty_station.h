#pragma once
// The virtual station on the master side of a new pseudo-terminal, polled
// by a timer; a program opens slavePath(). No station when the system has
// no pseudo-terminals.

#include "sim/pty_port.h"
#include "sim/virtual_station.h"

#include <QTimer>
#include <memory>

struct PtyStation {
    explicit PtyStation(const Clock& clock, sim::StationOptions options = {})
    {
        if (!pty.open())
            return;
        station = std::make_unique<sim::VirtualStation>(pty, clock, options);
        QObject::connect(&timer, &QTimer::timeout, [this] { station->poll(); });
        timer.start(2);
    }
    QString slavePath() const { return pty.slavePath(); }

    sim::PtyPort pty;
    std::unique_ptr<sim::VirtualStation> station;
    QTimer timer;
};
