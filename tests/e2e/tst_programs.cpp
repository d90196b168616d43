// The two programs as a user runs them, over pseudo-terminals and as
// LbServers on an ephemeral port: asked to end by the system, each ends at
// once and cleanly; the virtual station stays responsive under a flood.

#include "core/clock.h"
#include "core/file_io.h"
#include "loconet/message.h"
#include "loconet/serial_port.h"
#include "routes/route_file.h"
#include "routes/route_table.h"
#include "support/data_files.h"
#include "support/programs.h"
#include "support/pty_station.h"

#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Starts Quorail on the port and waits until it has opened it: conf.dat is
// written then, whether or not a station answers.
bool startsConnected(QProcess& p, const QStringList& port, const QTemporaryDir& conf)
{
    startHeadless(p, QUORAIL_BIN, port + QStringList{"--connect", "--conf-dir", conf.path()});
    return QTest::qWaitFor([&] { return QFile::exists(conf.filePath("conf.dat")); }, 30000);
}

// Sends the lines as a telnet user would and collects what comes back
// until `until` has been seen.
QString exchange(const QString& address, const QByteArray& lines, const QString& until)
{
    QTcpSocket s;
    s.connectToHost(address.section(':', 0, 0), address.section(':', 1).toUShort());
    if (!s.waitForConnected(10000))
        return QStringLiteral("no connection");
    s.write(lines);
    QString got;
    QElapsedTimer t;
    t.start();
    while (!got.contains(until) && t.elapsed() < 20000)
        if (s.waitForReadyRead(500))
            got += QString::fromLatin1(s.readAll());
    return got;
}

} // namespace

class TestPrograms : public QObject {
    Q_OBJECT
  private slots:
    // Also what it does then with a data file it found at start.
    void terminatedProgramEndsLikeBeenden_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content"); // null: there, but unreadable
        QTest::addColumn<QByteArray>("after");   // null: as it was
        RouteTable routes;
        routes.MagT2 = 500;
        routes.MagT1 = 200;
        routes.set_flag(1, RouteTable::Active, true);
        const QByteArray saved = route_file::format_fs(routes);
        QTest::newRow("no data files") << "none" << QByteArray("") << QByteArray();
        QTest::newRow("CR only") << "FS.DAT" << QByteArray("500\r200\r\" \"\r") << saved;
        QTest::newRow("byte-order mark") << "FS.DAT"
                                         << QByteArray("\xef\xbb\xbf"
                                                       "500\r\n200\r\n\" \"\r\n")
                                         << saved;
        QTest::newRow("unreadable") << "FS.DAT" << QByteArray() << QByteArray();
        QTest::newRow("names cut short") << "zk.dat" << QByteArray("\"A\"\r\n\"B") << QByteArray();
    }
    void terminatedProgramEndsLikeBeenden()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, after);
        SteadyClock clock;
        PtyStation bus(clock);
        if (!bus.station)
            QSKIP("no pseudo-terminals here");
        QTemporaryDir dir;
        const QString file = dir.filePath(name);
        if (name != "none")
            QVERIFY(save_file(file, content.isNull() ? "500\r\n" : content, nullptr));
        if (content.isNull())
            make_unreadable(file);
        const QByteArray before = held(file);
        QProcess program;
        QVERIFY(startsConnected(program, {"--interface", "3", "--port", bus.slavePath()}, dir));
        QVERIFY(bus.pty.peerConnected());
        QVERIFY2(endsCleanly(program), program.readAllStandardError().constData());
        QTRY_VERIFY_WITH_TIMEOUT(!bus.pty.peerConnected(), 5000); // the port was closed
        SerialPort next;
        QVERIFY2(next.open(bus.slavePath(), PortSettings{}), qPrintable(next.errorString()));
        QCOMPARE(held(file), after.isNull() ? before : after);
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

    void programSharesItsStationWithAClientAndASecondProgram()
    {
        QTemporaryDir confA, confB;
        QProcess server;
        const QString address = startServing(
            server, QUORAIL_BIN, {"--simulator", "--lbserver=0", "--conf-dir", confA.path()});
        QVERIFY2(address.startsWith("127.0.0.1:"), qPrintable(address));
        const QString got = exchange(address, "SEND 83 7C\r\n", "SENT OK");
        QVERIFY2(got.startsWith("VERSION Quorail ") && got.contains("RECEIVE 83 7C\r\nSENT OK\r\n"),
                 qPrintable(got));

        QProcess second;
        const QString trace = confB.filePath("trace.log");
        QVERIFY(startsConnected(second, {"--port", address, "--trace", trace}, confB));
        QFile conf(confB.filePath("conf.dat"));
        QVERIFY(conf.open(QIODevice::ReadOnly));
        QVERIFY(conf.readAll().endsWith(address.toLatin1() + "\r\n")); // as typed
        // An open connection alone writes conf.dat: the station's slot-0
        // answer must have come through the server too.
        const auto traced = [&] {
            QFile log(trace);
            return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
        };
        QTRY_VERIFY_WITH_TIMEOUT(traced().contains("RX  E7 0E 00"), 20000);
        QVERIFY(endsCleanly(second));
        QVERIFY(endsCleanly(server));
    }

    void programServesAPhone()
    {
        QTemporaryDir conf;
        const QString trace = conf.filePath("trace.log");
        QProcess program;
        const QString address =
            startServing(program, QUORAIL_BIN,
                         {"--simulator", "--withrottle=0", "--withrottle-bind", "127.0.0.1",
                          "--conf-dir", conf.path(), "--trace", trace});
        QVERIFY2(address.startsWith("127.0.0.1:"), qPrintable(address));
        QTcpSocket phone;
        phone.connectToHost(QHostAddress::LocalHost, address.section(':', 1).toUShort());
        QString got;
        const auto heard = [&](const QString& text) {
            return QTest::qWaitFor(
                [&] {
                    got += QString::fromUtf8(phone.readAll());
                    return got.contains(text);
                },
                20000);
        };
        // Power is on once the program has connected to its station.
        QVERIFY2(heard("\nPPA1\n"), qPrintable(got));
        QVERIFY2(got.startsWith("VN2.0\n"), qPrintable(got));
        // Power off, then accessory 5 closed (green): the phone hears both back.
        phone.write("NE2E\r\n*+\r\nPPA0\r\nPTACLT5\r\n");
        QVERIFY2(heard("\nPPA0\n") && heard("LT5}|{Mag.Art. 5}|{2"), qPrintable(got));
        // Power on again, take loco 78 and drive it.
        phone.write("PPA1\nMT+L78<;>L78\nMTAL78<;>V50\n");
        QVERIFY2(heard("\nMTAL78<;>V50\n"), qPrintable(got));
        QFile log(trace);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray traced = log.readAll();
        QVERIFY(traced.contains("TX  82 7D") && traced.contains("TX  B0 04 30 7B"));
        QVERIFY(traced.contains("TX  BE 00 4E") &&
                QString::fromLatin1(traced).contains(QRegularExpression("TX  A0 .. 33")));
        QVERIFY(endsCleanly(program));
    }

    void simOffersTheStation()
    {
        QProcess sim;
        const QString address = startServing(sim, QUORAIL_SIM_BIN, {"--lbserver=0"});
        QVERIFY2(address.startsWith("127.0.0.1:"), qPrintable(address));
        // A slot-0 read is echoed, confirmed and answered.
        const QString got = exchange(address, "SEND BB 00 00 44\n", "RECEIVE E7");
        QVERIFY2(got.contains("RECEIVE BB 00 00 44\r\nSENT OK\r\n") &&
                     got.contains("RECEIVE E7 0E 00"),
                 qPrintable(got));
        QVERIFY(endsCleanly(sim));
    }
};

QTEST_GUILESS_MAIN(TestPrograms)
#include "tst_programs.moc"
