// What the program costs while nothing happens: connected to a quiet
// virtual station, and with the demo layout as `--simulator` runs it. Prints
// the CPU time taken as a share of the time passed and the wake-ups of the
// event loop per second. Seconds per case: the first argument (default 30).

#include "application/application.h"
#include "paced_station.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <ctime>

namespace {
void run_for(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

void measure(const char* name, bool demo, double seconds)
{
    SteadyClock clock;
    sim::StationOptions options;
    PacedStation paced(clock, options, false);
    if (demo)
        paced.station.setupDemo();
    QTemporaryDir dir;
    Application core(clock, paced.ports.a, dir.path());
    core.start();
    core.keepConf = true;
    core.conn.connect_port(QStringLiteral("bench"));
    run_for(3); // connected, the first page polled
    int wakeups = 0;
    const auto counter =
        QObject::connect(QAbstractEventDispatcher::instance(),
                         &QAbstractEventDispatcher::awake, [&wakeups] { ++wakeups; });
    const std::clock_t cpu0 = std::clock();
    const double t0 = clock.now();
    run_for(seconds);
    const double cpu = double(std::clock() - cpu0) / CLOCKS_PER_SEC;
    const double passed = clock.now() - t0;
    QObject::disconnect(counter);
    std::printf("%-36s CPU %.3f%% of a core, %.1f wake-ups/s\n", name, 100 * cpu / passed,
                wakeups / passed);
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 30.0;
    measure("connected, quiet station", false, seconds);
    measure("virtual station with its demo layout", true, seconds);
    return 0;
}
