// The two programs as a user runs them, over pseudo-terminals: asked to end
// by the system, each ends at once and cleanly; the virtual station stays
// responsive under a flood.

#include "core/clock.h"
#include "loconet/message.h"
#include "loconet/serial_port.h"
#include "support/programs.h"
#include "support/pty_station.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestPrograms : public QObject {
    Q_OBJECT
  private slots:
    void terminatedProgramEndsLikeBeenden()
    {
        SteadyClock clock;
        PtyStation bus(clock);
        if (!bus.station)
            QSKIP("no pseudo-terminals here");
        QTemporaryDir dir;
        QProcess program;
        startHeadless(
            program, QUORAIL_BIN,
            {"--interface", "3", "--port", bus.slavePath(), "--connect", "--conf-dir", dir.path()});
        // conf.dat is written once the connection is complete.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir.filePath("conf.dat")), 30000);
        QVERIFY(bus.pty.peerConnected());
        QVERIFY2(endsCleanly(program), program.readAllStandardError().constData());
        QTRY_VERIFY_WITH_TIMEOUT(!bus.pty.peerConnected(), 5000); // the port was closed
        SerialPort next;
        QVERIFY2(next.open(bus.slavePath(), PortSettings{}), qPrintable(next.errorString()));
    }

    void simStaysResponsiveUnderAFlood_data()
    {
        QTest::addColumn<bool>("pace");
        QTest::newRow("unpaced") << false;
        QTest::newRow("paced") << true;
    }
    void simStaysResponsiveUnderAFlood()
    {
        QFETCH(bool, pace);
        QProcess sim;
        const QString path =
            startServing(sim, QUORAIL_SIM_BIN, pace ? QStringList{"--pace"} : QStringList{});
        if (path.isEmpty())
            QSKIP("quorail-sim made no pseudo-terminal here");
        SerialPort port;
        QVERIFY(port.open(path, PortSettings{}));
        QByteArray got;
        connect(&port, &Port::readyRead, this, [&] { got += port.readAll(); });

        // Sensor reports as fast as the terminal takes them, for two seconds,
        // with a slot-0 read now and then.
        QByteArray flood;
        for (int n = 0; n < 4000; ++n)
            flood += ln::frame({0xB2, n & 0x7F, 0x10});
        const QByteArray slot0Answer = ln::frame({0xE7, 0x0E, 0, 0, 0, 3, 0}).left(5);
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 2000) {
            port.write(flood);
            port.write(ln::frame({0xBB, 0, 0}));
            QTest::qWait(10);
        }
        if (!pace) // paced, the station's queue is full and drops what comes
            QVERIFY(got.contains(slot0Answer));
        QVERIFY(endsCleanly(sim));
        const QByteArray err = sim.readAllStandardError();
        QCOMPARE(err.contains("messages dropped"), pace);
    }
};

QTEST_GUILESS_MAIN(TestPrograms)
#include "tst_programs.moc"
