// Measures the cost of one idle main tick (also with a full route table and
// the track powered, so the route engine looks at every route), FS.DAT load
// and save times, and the receive path's throughput (bytes through
// com_input, messages dispatched). A program, not a test: run it before and
// after a change to the link or the routes and compare.

#include "application/application.h"
#include "loconet/memory_port.h"
#include "loconet/message.h"
#include "routes/route_file.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

namespace {
// 208 routes of 50 steps with both triggers, none requested.
void fill_routes(RouteTable& t)
{
    const QString steps[] = {"Ma2047-g", "Rm12-b", "Fs208-an", "Pa-2"};
    for (int r = 1; r <= RouteTable::Routes; ++r) {
        t.set_cell(r, RouteTable::RequestTrigger, QStringLiteral("Rm%1-b").arg(r));
        t.set_cell(r, RouteTable::ReleaseTrigger, QStringLiteral("Ma%1-r").arg(r));
        for (int c = RouteTable::FirstStep; c <= RouteTable::LastStep; ++c)
            t.set_cell(r, c, steps[c % 4]);
    }
    t.set_flag(3, RouteTable::Active, true);
    t.set_flag(5, RouteTable::Blocked, true);
}

template <class F> double ms_per_run(int runs, F run)
{
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < runs; ++i)
        run();
    return double(t.nsecsElapsed()) / 1e6 / runs;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    FakeClock clock;
    MemoryPortPair ports;
    Application core(clock, ports.a, dir.path());
    core.start();
    ports.a.open("bench", {});
    ports.b.open("bus", {});

    const int ticks = 2'000'000;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < ticks; ++i)
        core.tick();
    std::printf("idle tick:          %8.1f ns\n", double(t.nsecsElapsed()) / ticks);

    long dispatched = 0;
    core.dispatch.on(0xB2, [&](const ln::Msg&) { ++dispatched; });
    QByteArray chunk;
    for (int k = 0; k < 25; ++k)
        chunk += ln::frame({0xB2, k, 0x10});
    const int rounds = 200'000;
    t.restart();
    for (int r = 0; r < rounds; ++r) {
        ports.b.write(chunk); // arrives through com_input
        core.tick();
    }
    const double secs = double(t.nsecsElapsed()) / 1e9;
    std::printf("receive path:       %8.0f messages/s, %8.1f MB/s (%ld dispatched)\n",
                double(dispatched) / secs, double(chunk.size()) * rounds / secs / 1e6, dispatched);

    // Last, so the numbers above stay comparable with runs on an empty table.
    fill_routes(core.FSTab);
    core.state.show_power(1);
    const int routeTicks = 200'000;
    t.restart();
    for (int i = 0; i < routeTicks; ++i)
        core.tick();
    std::printf("idle tick, 208 routes: %5.1f ns\n", double(t.nsecsElapsed()) / routeTicks);
    core.state.show_power(0);
    const double trigger =
        ms_per_run(20'000, [&] { core.routeEngine.route_trigger_rm(2000, 1); }) * 1e3;
    std::printf("triggers of 208 routes: %5.1f us per report\n", trigger);

    const QString fsDat = dir.filePath(route_file::Name);
    const double save = ms_per_run(20, [&] { route_file::save_fs(core.FSTab, fsDat, nullptr); });
    const double load = ms_per_run(20, [&] { route_file::load_fs(core.FSTab, fsDat); });
    std::printf("FS.DAT save:        %8.2f ms\nFS.DAT load:        %8.2f ms\n", save, load);
    return 0;
}
