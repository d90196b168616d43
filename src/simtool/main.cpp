// quorail-sim: the virtual command station as a program of its own, on a
// pseudo-terminal (whose path it prints first) or on a serial device.

#include "core/clock.h"
#include "core/messages.h"
#include "core/shell.h"
#include "core/stop_signals.h"
#include "loconet/dispatch.h"
#include "loconet/lb_options.h"
#include "loconet/lb_server.h"
#include "loconet/link.h"
#include "loconet/memory_port.h"
#include "loconet/serial_port.h"
#include "loconet/trace.h"
#include "sim/pty_port.h"
#include "sim/station_runner.h"
#include "sim/virtual_station.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTimer>
#include <cstdio>
#include <memory>

namespace {

int fail(const QString& text)
{
    std::fprintf(stderr, "quorail-sim: %s\n", qPrintable(text));
    return 1;
}

// The station's own end of the bus for the LbServer: a link on an
// in-memory wire, which sends the clients' messages and hears everything.
struct SharedBus {
    explicit SharedBus(Clock& clock)
        : dispatch(clock), link(clock, wire.a, dispatch, msgs), server(clock, link)
    {
        wire.a.open(QStringLiteral("lbserver"), {});
        wire.b.open(QStringLiteral("station"), {});
        QObject::connect(&wire.a, &Port::readyRead, &link, &Link::com_input);
        link.setActive(true);
    }
    MemoryPortPair wire;
    MessageService msgs;
    Dispatch dispatch;
    Link link;
    LbServer server;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorail-sim"));
    QCoreApplication::setApplicationVersion(program_version());

    QCommandLineParser cli;
    cli.setApplicationDescription(
        QStringLiteral("Virtual LocoNet command station for Quorail. Without --port it makes a\n"
                       "pseudo-terminal and prints the path of its slave side as the first line;\n"
                       "connect Quorail to that path (interface type 3). Runs until interrupted."));
    cli.addHelpOption();
    cli.addVersionOption();
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Use this serial device (115200 8N1) instead of a "
                                                 "pseudo-terminal."),
                                  QStringLiteral("DEVICE"));
    const QCommandLineOption type(
        QStringLiteral("station-type"),
        QStringLiteral("Station identity in slot 0: 1, 2 or 3 (default 2)."), QStringLiteral("N"),
        QStringLiteral("2"));
    const QCommandLineOption delay(QStringLiteral("delay"),
                                   QStringLiteral("Milliseconds between a message and its answer "
                                                  "(default 5)."),
                                   QStringLiteral("MS"), QStringLiteral("5"));
    const QCommandLineOption pace(QStringLiteral("pace"),
                                  QStringLiteral("Send at LocoNet's wire rate (16457 baud)."));
    const QCommandLineOption demo(QStringLiteral("demo"),
                                  QStringLiteral("Run the demo layout: locos 3, 5, 78, sensors, "
                                                 "accessories, Kennix and Pultrix events."));
    const QCommandLineOption trace(QStringLiteral("trace"),
                                   QStringLiteral("Log every message (time, RX/TX, hex) to FILE."),
                                   QStringLiteral("FILE"));
    const QCommandLineOption progTime(
        QStringLiteral("prog-time"),
        QStringLiteral("Milliseconds a CV read or write takes on the programming track "
                       "(default 100; above 5000 the program gives up waiting)."),
        QStringLiteral("MS"), QStringLiteral("100"));
    const QCommandLineOption progSilent(QStringLiteral("prog-silent"),
                                        QStringLiteral("The programming track never answers."));
    LbServerOptions lbServer(QStringLiteral(
        "Offer the station over TCP (LbServer protocol) instead of a pseudo-terminal; "
        "--lbserver=PORT picks the port (default 1234, 0 = any free one). Prints the address "
        "it listens on first."));
    cli.addOptions({port, type, delay, pace, demo, trace, progTime, progSilent});
    lbServer.addTo(cli);
    cli.process(LbServerOptions::spell(QCoreApplication::arguments()));

    sim::StationOptions options;
    bool ok = false;
    options.stationType = cli.value(type).toInt(&ok);
    if (!ok || options.stationType < 1 || options.stationType > 3)
        return fail(QStringLiteral("--station-type must be 1, 2 or 3"));
    const int delayMs = cli.value(delay).toInt(&ok);
    if (!ok || delayMs < 0)
        return fail(QStringLiteral("--delay must be a number of milliseconds"));
    options.answerDelay = delayMs / 1000.0;
    options.pace = cli.isSet(pace);
    const int progMs = cli.value(progTime).toInt(&ok);
    if (!ok || progMs < 0)
        return fail(QStringLiteral("--prog-time must be a number of milliseconds"));
    options.programmingTime = progMs / 1000.0;
    options.programmingSilent = cli.isSet(progSilent);

    SteadyClock clock;
    std::unique_ptr<SharedBus> shared;
    std::unique_ptr<Port> owned;
    Port* link = nullptr;
    QString error;
    if (!lbServer.read(cli, &error))
        return fail(error);
    if (lbServer.enabled) {
        const QHostAddress bind(lbServer.bind);
        shared = std::make_unique<SharedBus>(clock);
        if (!shared->server.listen(bind, lbServer.port))
            return fail(QStringLiteral("LbServer on %1:%2: %3")
                            .arg(bind.toString())
                            .arg(lbServer.port)
                            .arg(shared->server.errorString()));
        std::printf("%s:%u\n", qPrintable(bind.toString()), unsigned(shared->server.port()));
        std::fflush(stdout);
        link = &shared->wire.b;
    } else if (cli.isSet(port)) {
        auto serial = std::make_unique<SerialPort>();
        if (!serial->open(cli.value(port), PortSettings{}))
            return fail(cli.value(port) + QStringLiteral(": ") + serial->errorString());
        QObject::connect(serial.get(), &Port::failed, &app, [](const QString& error) {
            std::fprintf(stderr, "quorail-sim: %s\n", qPrintable(error));
            QCoreApplication::exit(1);
        });
        owned = std::move(serial);
        link = owned.get();
    } else {
        auto pty = std::make_unique<sim::PtyPort>();
        if (!pty->open())
            return fail(pty->errorString());
        std::printf("%s\n", qPrintable(pty->slavePath()));
        std::fflush(stdout);
        owned = std::move(pty);
        link = owned.get();
    }

    sim::VirtualStation station(*link, clock, options);

    QFile traceFile;
    std::unique_ptr<ln::TraceWriter> traceWriter;
    if (cli.isSet(trace)) {
        traceFile.setFileName(cli.value(trace));
        if (!traceFile.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
            return fail(cli.value(trace) + QStringLiteral(": ") + traceFile.errorString());
        traceWriter = std::make_unique<ln::TraceWriter>(&traceFile);
        station.setMonitor([&](double t, bool outgoing, const QByteArray& m) {
            traceWriter->line(t, outgoing ? ln::Traffic::Tx : ln::Traffic::Rx, m);
        });
    }
    if (cli.isSet(demo))
        station.setupDemo();

    StopSignals stopSignals([] { QCoreApplication::quit(); });

    // The station answers on arrival and wakes only for what is due: its
    // own answers and demo events, and the shared link's time-outs.
    sim::StationRunner runner(
        station, *link, clock, [&] { return shared ? shared->link.next_due() : -1.0; },
        [&] {
            if (shared)
                shared->link.tick();
        });
    const int code = app.exec();
    if (station.dropped() > 0)
        std::fprintf(stderr,
                     "quorail-sim: %lld messages dropped: more than the paced bus carries\n",
                     static_cast<long long>(station.dropped()));
    return code;
}
