// Measures the cost of one idle main tick and the receive path's throughput
// (bytes through com_input, messages dispatched). A program, not a test:
// run it before and after a change to the link and compare.

#include "application/application.h"
#include "loconet/memory_port.h"
#include "loconet/message.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

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
    return 0;
}
