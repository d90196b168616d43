// Quorail: wires the core to a serial port (or the built-in virtual station)
// and to the main window.

#include "application/application.h"
#include "core/datadir.h"
#include "core/shell.h"
#include "core/stop_signals.h"
#include "decode.h"
#include "loconet/lb_client_port.h"
#include "loconet/lb_server.h"
#include "loconet/memory_port.h"
#include "loconet/port_by_name.h"
#include "loconet/serial_port.h"
#include "loconet/trace.h"
#include "options.h"
#include "sim/station_runner.h"
#include "sim/virtual_station.h"
#include "ui/mainwin.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <memory>

int main(int argc, char** argv)
{
    QCoreApplication::setApplicationName(QStringLiteral("quorail"));
    QCoreApplication::setApplicationVersion(program_version());
    // Help, version, the data files, --decode and option errors need no display:
    // they are dealt with before the window system is asked for.
    std::optional<AppOptions> opts;
    int exitCode = 0;
    DataDir data;
    {
        QCoreApplication bare(argc, argv);
        opts = parse_options(QCoreApplication::arguments(), &exitCode);
        if (!opts)
            return exitCode;
        data = DataDir::for_program(QCoreApplication::applicationDirPath(), opts->confDir);
        if (opts->dataFiles) {
            std::printf("%s", qPrintable(data_files_text(data)));
            return 0;
        }
        if (!opts->decode.isEmpty())
            return decode_saved(opts->decode);
    }

    // Outlives the core, which writes to it up to the end.
    QFile traceFile(opts->trace);
    ln::TraceWriter trace(&traceFile);
    if (!opts->trace.isEmpty() &&
        !traceFile.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        std::fprintf(stderr, "quorail: cannot write %s: %s\n", qPrintable(opts->trace),
                     qPrintable(traceFile.errorString()));
        return 1;
    }
    QApplication app(argc, argv);

    SteadyClock clock;
    // A real port (serial, or an LbServer's shared connection), or one end
    // of an in-memory pair whose other end is the virtual station.
    SerialPort serial;
    LbClientPort network;
    PortByName named(serial, network);
    MemoryPortPair wire;
    Port& port = opts->simulator ? static_cast<Port&>(wire.a) : named;

    Application core(clock, port, data);
    core.start();
    if (traceFile.isOpen())
        core.link.setTrace(&trace);
    if (opts->ifType)
        core.state.IfType = *opts->ifType;
    if (opts->port)
        core.state.ComPortNr = *opts->port;

    std::unique_ptr<sim::VirtualStation> station;
    std::unique_ptr<sim::StationRunner> stationRunner;
    if (opts->simulator) {
        core.keepConf = true;
        core.state.IfType = 3;
        core.state.ComPortNr = QStringLiteral("Simulator");
        wire.b.open(QStringLiteral("station"), {});
        sim::StationOptions so;
        so.stationType = opts->simulator;
        station = std::make_unique<sim::VirtualStation>(wire.b, clock, so);
        station->setupDemo();
        stationRunner = std::make_unique<sim::StationRunner>(*station, wire.b, clock);
    }

    // Declared after the core: it detaches from the link before the core goes.
    std::unique_ptr<LbServer> lbServer;
    if (opts->lbServerPort) {
        lbServer = std::make_unique<LbServer>(clock, core.link);
        if (!lbServer->listen(QHostAddress(opts->lbServerBind), *opts->lbServerPort)) {
            std::fprintf(stderr, "quorail: LbServer on %s:%u: %s\n", qPrintable(opts->lbServerBind),
                         unsigned(*opts->lbServerPort), qPrintable(lbServer->errorString()));
            return 1;
        }
        std::printf("LbServer %s:%u\n", qPrintable(opts->lbServerBind), unsigned(lbServer->port()));
        std::fflush(stdout);
    }

    if (opts->wiThrottlePort) {
        // 0.0.0.0 stands for every network, IPv6 included.
        const QHostAddress bind = opts->wiThrottleBind == QStringLiteral("0.0.0.0")
                                      ? QHostAddress(QHostAddress::Any)
                                      : QHostAddress(opts->wiThrottleBind);
        if (!core.withrottle.listen(bind, *opts->wiThrottlePort)) {
            std::fprintf(stderr, "quorail: WiThrottle on %s:%u: %s\n",
                         qPrintable(opts->wiThrottleBind), unsigned(*opts->wiThrottlePort),
                         qPrintable(core.withrottle.errorString()));
            return 1;
        }
        std::printf("WiThrottle %s:%u\n", qPrintable(opts->wiThrottleBind),
                    unsigned(core.withrottle.port()));
        std::fflush(stdout);
        core.withrottle.announce();
    }

    MainWin win(core);
    // A report from the savers at the end (a file that could not be written)
    // must not vanish with the program: it stays until the user closes it.
    // It leaves the main window it belonged to, which closes.
    QObject::connect(&core, &Application::ended, &app, [] {
        bool reportOpen = false;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (qobject_cast<QMessageBox*>(w) && w->isVisible()) {
                w->setParent(nullptr, w->windowFlags());
                w->show();
                w->activateWindow();
                reportOpen = true;
            } else {
                w->hide();
            }
        }
        if (!reportOpen)
            QApplication::quit();
    });
    StopSignals stopSignals([&core] { core.end_program(); }); // as "Beenden" does
    win.show();
    if (opts->connect || opts->simulator) {
        QTimer::singleShot(0, &win, [&win] {
            if (auto* b = win.findChild<QPushButton*>(QStringLiteral("OpenPortBut_1")))
                b->click();
        });
    }
    return app.exec();
}
