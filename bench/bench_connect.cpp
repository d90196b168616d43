// Times the connect sequence and its switch-state poll of 16 addresses in
// real time, on the program's own timers, against the virtual station paced
// at LocoNet's wire rate and answering at once, and prints each against the
// time its bytes alone take on the wire. On a real bus the echo is the
// request itself, so each exchange costs the request (or its echo) and the
// answer: the in-memory station paces exactly those bytes.

#include "application/application.h"
#include "paced_station.h"
#include "sim/wire.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
// Bytes on the wire: slot 0 read (4 + 14), 16 switch-state queries (4 + 4
// each), serial number and version (15 + 15 each).
constexpr double PollBytes = 16 * 8;
constexpr double ConnectBytes = 18 + PollBytes + 2 * 30;

struct Times {
    double connect = 0, poll = 0;
};

Times connect_once(SteadyClock& clock)
{
    sim::StationOptions options;
    options.answerDelay = 0;
    PacedStation paced(clock, options);
    sim::VirtualStation& station = paced.station;

    QTemporaryDir dir;
    Application core(clock, paced.ports.a, dir.path());
    core.start();
    core.keepConf = true;

    // The poll runs from its first query reaching the station to the last
    // answer leaving it.
    double pollStart = -1, pollEnd = -1;
    int answers = 0;
    station.setMonitor([&](double, bool outgoing, const QByteArray& m) {
        if (!outgoing && uint8_t(m[0]) == 0xBC && pollStart < 0)
            pollStart = clock.now();
        if (outgoing && uint8_t(m[0]) == 0xB4 && ++answers == 16)
            pollEnd = clock.now();
    });
    QEventLoop loop;
    QObject::connect(&core.conn, &Connection::connected, &loop, &QEventLoop::quit);
    const double start = clock.now();
    core.conn.connect_port(QStringLiteral("bench"));
    loop.exec();
    return {clock.now() - start, pollEnd - pollStart};
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    SteadyClock clock;
    const double connectFloor = ConnectBytes / sim::WireBytesPerSecond * 1000;
    const double pollFloor = PollBytes / sim::WireBytesPerSecond * 1000;
    std::printf("wire floor: connect %.1f ms, 16-address poll %.1f ms\n", connectFloor, pollFloor);
    std::vector<double> connects, polls;
    for (int run = 1; run <= 7; ++run) {
        const Times t = connect_once(clock);
        connects.push_back(t.connect * 1000);
        polls.push_back(t.poll * 1000);
        std::printf("run %d: connect %6.1f ms (%.2fx), poll %6.1f ms (%.2fx)\n", run,
                    connects.back(), connects.back() / connectFloor, polls.back(),
                    polls.back() / pollFloor);
    }
    std::printf("median: connect %6.1f ms (%.2fx), poll %6.1f ms (%.2fx)\n", median(connects),
                median(connects) / connectFloor, median(polls), median(polls) / pollFloor);
    return 0;
}
