// The WiThrottle server in real time, on the program's own timers, against
// the virtual station paced at LocoNet's wire rate: the time from a phone's
// speed command (and a turnout command) leaving its socket to the message
// reaching the station, and the CPU the program takes with 8 phones that
// only send their heartbeats, against the same time with none. The
// commands go out at random moments, not in step with any timer of the
// program, so the figures hold whatever a tick would add.

#include "application/application.h"
#include "paced_station.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <vector>

namespace {
constexpr int Samples = 200;
constexpr int Phones = 8;
constexpr double IdleSeconds = 10.0;
constexpr int HeartbeatMs = 5000; // twice as often as the server asks

// Runs the event loop until `done` (looked at every millisecond) or the time is up.
bool wait_for(const std::function<bool()>& done, int ms)
{
    QEventLoop loop;
    QTimer look, limit;
    look.setTimerType(Qt::PreciseTimer);
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (done())
            loop.quit();
    });
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    look.start(1);
    limit.start(ms);
    if (!done())
        loop.exec();
    return done();
}

void idle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Phone {
    explicit Phone(quint16 port)
    {
        socket.connectToHost(QHostAddress::LocalHost, port);
        socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] { heard += socket.readAll(); });
    }
    void send(const QByteArray& line) { socket.write(line + '\n'); }
    QTcpSocket socket;
    QByteArray heard;
};

// Median and 99th percentile in ms.
void report(const char* what, std::vector<double> ms)
{
    if (ms.empty()) {
        std::printf("%-34s no samples\n", what);
        return;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-34s median %6.2f ms   99%% %6.2f ms   max %6.2f ms   (%zu samples)\n", what,
                ms[ms.size() / 2], ms[std::min(ms.size() - 1, ms.size() * 99 / 100)], ms.back(),
                ms.size());
}

double cpu_seconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}

// Share of one core the process used over `ms` of idling.
double cpu_share(int ms)
{
    const double cpu = cpu_seconds();
    QElapsedTimer t;
    t.start();
    idle(ms);
    return (cpu_seconds() - cpu) / (double(t.elapsed()) / 1000.0);
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    SteadyClock clock;
    PacedStation paced(clock, {});
    sim::VirtualStation& station = paced.station;

    QTemporaryDir dir;
    Application core(clock, paced.ports.a, dir.path());
    core.start();
    core.keepConf = true;
    core.withrottle.log = [](const QString&) {};
    if (!core.withrottle.listen(QHostAddress::LocalHost, 0)) {
        std::fprintf(stderr, "bench_withrottle: cannot listen\n");
        return 1;
    }
    core.conn.connect_port(QStringLiteral("1"));
    if (!wait_for([&] { return core.req.online() && core.req.idle(); }, 20000)) {
        std::fprintf(stderr, "bench_withrottle: the virtual station did not connect\n");
        return 1;
    }

    // When the station takes in the message the phone asked for.
    uint8_t awaited = 0;
    double arrived = -1;
    station.setMonitor([&](double, bool outgoing, const QByteArray& m) {
        if (!outgoing && uint8_t(m[0]) == awaited && arrived < 0)
            arrived = clock.now();
    });
    const auto time_command = [&](Phone& p, const QByteArray& line, uint8_t opcode) {
        awaited = opcode;
        arrived = -1;
        const double sent = clock.now();
        p.send(line);
        const bool ok = wait_for([&] { return arrived >= 0; }, 2000);
        const double ms = (arrived - sent) * 1000.0;
        // The echo and the feedback settle; the next command leaves at a
        // random moment of any timer's period.
        idle(20 + int(QRandomGenerator::global()->bounded(10)));
        return ok ? ms : -1.0;
    };

    Phone phone(core.withrottle.port());
    phone.send("NBench\nMT+S3<;>S3");
    if (!wait_for([&] { return phone.heard.contains("MTAS3<;>s"); }, 5000)) {
        std::fprintf(stderr, "bench_withrottle: loco 3 was not acquired\n");
        return 1;
    }
    std::vector<double> speed, turnout;
    for (int i = 0; i < Samples; ++i) {
        const double ms = time_command(phone, "MTAS3<;>V" + QByteArray::number(1 + i % 120), 0xA0);
        if (ms >= 0)
            speed.push_back(ms);
    }
    for (int i = 0; i < Samples / 4; ++i) {
        const double ms =
            time_command(phone, (i % 2 ? "PTACLT" : "PTATLT") + QByteArray::number(1 + i), 0xB0);
        if (ms >= 0)
            turnout.push_back(ms);
        idle(250); // the off message of the pulse
    }
    phone.send("MTAS3<;>V0\nQ");
    idle(200);
    std::printf("Phone command to the station's wire (paced at 16457 baud):\n");
    report("  speed (MTA..V)", speed);
    report("  turnout (PTA), on message", turnout);

    const double alone = cpu_share(int(IdleSeconds * 1000));
    std::vector<std::unique_ptr<Phone>> phones;
    for (int i = 0; i < Phones; ++i) {
        phones.push_back(std::make_unique<Phone>(core.withrottle.port()));
        phones.back()->send("NPhone " + QByteArray::number(i) + "\nHU" + QByteArray::number(i) +
                            "\n*+");
    }
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        for (const auto& p : phones)
            p->send("*");
    });
    heartbeat.start(HeartbeatMs);
    idle(1000);
    const double withPhones = cpu_share(int(IdleSeconds * 1000));
    std::printf("CPU of the program, idle, connected (share of one core over %.0f s):\n",
                IdleSeconds);
    std::printf("  no phones                          %5.2f %%\n", alone * 100);
    std::printf("  %d phones with heartbeats           %5.2f %%\n", Phones, withPhones * 100);
    std::printf("  (devices connected: %d)\n", int(core.withrottle.devices().size()));
    return 0;
}
