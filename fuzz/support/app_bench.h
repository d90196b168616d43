#pragma once
// The whole application on a fake clock and an in-memory port, connecting
// through its normal sequence: every handler, the identification, the
// request engine and the slot table are live. The far end of the port is
// in the caller's hand.

#include "application/application.h"
#include "loconet/memory_port.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <memory>

namespace fuzz {

// Timers need an application object; one serves every input.
inline void ensure_qt()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    // Time-outs and odd input make the core warn; that is not a finding.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
}

struct AppBench {
    explicit AppBench(int ifType)
    {
        ensure_qt();
        static QTemporaryDir dir; // stays empty: conf.dat is never written
        core = std::make_unique<Application>(clock, ports.a, dir.path());
        core->keepConf = true;
        core->start();
        core->state.IfType = ifType;
        ports.b.open(QStringLiteral("station"), {});
        core->conn.connect_port(QStringLiteral("1"));
    }

    // Bytes from the station arrive at the program.
    void deliver(const QByteArray& bytes) { ports.b.write(bytes); }
    // One 10 ms turn of the timers the event loop would run.
    void tick()
    {
        clock.advance(0.01);
        core->conn.step();
        if (core->conn.Timer1.isActive())
            core->link.com_input();
        core->tick();
    }

    FakeClock clock;
    MemoryPortPair ports;
    std::unique_ptr<Application> core;
};

} // namespace fuzz
