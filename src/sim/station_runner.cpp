#include "station_runner.h"

#include "core/clock.h"
#include "loconet/port.h"
#include "virtual_station.h"


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
    // An answer is due at its time, not after it.
    wake_at(timer_, clock_, earliest({station_.next_due(), alsoDue_ ? alsoDue_() : -1.0}), 0);
}

} // namespace sim
