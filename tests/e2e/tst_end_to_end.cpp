// Quorail's core against the virtual station: in memory on the fake clock,
// and over a pseudo-terminal through the real serial port code.

#include "loconet/serial_port.h"
#include "sim/pty_port.h"
#include "sim/virtual_station.h"
#include "support/rig.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
// Counts the sensor reports the program dispatches, in order.
struct SensorLog {
    QList<int> numbers;
    explicit SensorLog(Application& core)
    {
        core.dispatch.on(0xB2, [this](const ln::Msg& m) {
            numbers << ((m[2] & 0x0F) * 256 + m[1] * 2 + ((m[2] & 0x20) >> 5)) + 1;
        });
    }
};

QList<int> oneTo(int n)
{
    QList<int> l;
    for (int i = 1; i <= n; ++i)
        l << i;
    return l;
}
} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT
  private slots:
    void burstAtWireRate();
    void overPseudoTerminal();
};

void TestEndToEnd::burstAtWireRate()
{
    Rig rig;
    sim::StationOptions options;
    options.pace = true;
    sim::VirtualStation station(rig.bus, rig.clock, options);
    rig.station = [&] { station.poll(); };
    rig.core->conn.connect_port("1");
    rig.run(3);
    SensorLog log(*rig.core);
    for (int n = 1; n <= 100; ++n)
        station.setSensor(n, true);
    rig.run(0.1);
    QVERIFY(log.numbers.size() < 100); // paced: 400 bytes take about a quarter second
    rig.run(0.5);
    QCOMPARE(log.numbers, oneTo(100));
}

void TestEndToEnd::overPseudoTerminal()
{
    sim::PtyPort pty;
    if (!pty.open())
        QSKIP("no pseudo-terminals here");
    SteadyClock clock;
    sim::StationOptions options;
    options.pace = true;
    sim::VirtualStation station(pty, clock, options);
    QTimer stationTimer;
    connect(&stationTimer, &QTimer::timeout, [&] { station.poll(); });
    stationTimer.start(2);

    QTemporaryDir dir;
    SerialPort serial;
    Application core(clock, serial, dir.path());
    core.start();
    QStringList boxes;
    connect(&core.msgs, &MessageService::shown,
            [&](const QString&, const QString& t) { boxes << t; });
    core.conn.connect_port(pty.slavePath());
    QTRY_VERIFY_WITH_TIMEOUT(core.conn.state() == Connection::State::Connected, 20000);
    QCOMPARE(boxes, QStringList{});
    QVERIFY(serial.cts()); // a pseudo-terminal has no CTS line: never hold the sender back
    QCOMPARE(core.state.StationType, 2);
    QCOMPARE(core.identify.StationSerial, 1234567890.0);

    core.req.post(4);
    QTRY_COMPARE_WITH_TIMEOUT(core.state.PowerState, 1, 10000);
    core.req.post(3);
    QTRY_COMPARE_WITH_TIMEOUT(core.state.PowerState, 0, 10000);

    core.req.RawText = "BB 00 00";
    core.loco.await_slot0();
    core.req.post(40);
    QTRY_VERIFY_WITH_TIMEOUT(core.loco.slot0_arrived(), 10000);

    SensorLog log(core);
    for (int n = 1; n <= 100; ++n)
        station.setSensor(n, n % 2);
    QTRY_COMPARE_WITH_TIMEOUT(log.numbers.size(), 100, 20000);
    QCOMPARE(log.numbers, oneTo(100));
    QCOMPARE(boxes, QStringList{});

    core.conn.disconnect_port(pty.slavePath());
    QVERIFY(!serial.isOpen());
}

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_end_to_end.moc"
