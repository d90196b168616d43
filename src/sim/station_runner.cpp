#include "station_runner.h"

#include "core/clock.h"
#include "loconet/port.h"
#include "virtual_station.h"

#include <algorithm>
#include <cmath>

namespace sim {

StationRunner::StationRunner(VirtualStation& station, Port& port, const Clock& clock,
                             std::function<double()> alsoDue, std::function<void()> alsoRun)
    : station_(station), clock_(clock), alsoDue_(std::move(alsoDue)), alsoRun_(std::move(alsoRun))
{
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &StationRunner::run);
    // Queued: an in-memory bus would otherwise answer inside the writer's
    // own write, before the writer knows it has sent.
    connect(&port, &Port::readyRead, this, &StationRunner::run, Qt::QueuedConnection);
    QTimer::singleShot(0, this, &StationRunner::run);
}

void StationRunner::run()
{
    station_.poll();
    if (alsoRun_)
        alsoRun_();
    double due = station_.next_due();
    if (alsoDue_) {
        const double other = alsoDue_();
        if (other >= 0 && (due < 0 || other < due))
            due = other;
    }
    if (due < 0) {
        timer_.stop();
        return;
    }
    const double ms = std::ceil((due - clock_.now()) * 1000.0);
    timer_.start(int(std::clamp(ms, 0.0, 3.6e6)));
}

} // namespace sim
