// Both programs as LbServers on an ephemeral port, as other LocoNet programs
// and a second Quorail use them.

#include "support/programs.h"

#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {

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

class TestLbServerPrograms : public QObject {
    Q_OBJECT
  private slots:
    void programSharesItsStationWithAClientAndASecondProgram();
    void simOffersTheStation();
};

void TestLbServerPrograms::programSharesItsStationWithAClientAndASecondProgram()
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
    startHeadless(second, QUORAIL_BIN,
                  {"--port", address, "--connect", "--conf-dir", confB.path()});
    // conf.dat is written once the connection through the server is complete,
    // with the address as typed.
    const QString conf = confB.filePath("conf.dat");
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(conf), 30000);
    QFile f(conf);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY2(f.readAll().endsWith(address.toLatin1() + "\r\n"), qPrintable(conf));
    QVERIFY(endsCleanly(second));
    QVERIFY(endsCleanly(server));
}

void TestLbServerPrograms::simOffersTheStation()
{
    QProcess sim;
    const QString address = startServing(sim, QUORAIL_SIM_BIN, {"--lbserver=0"});
    QVERIFY2(address.startsWith("127.0.0.1:"), qPrintable(address));
    // A slot-0 read is echoed, confirmed and answered.
    const QString got = exchange(address, "SEND BB 00 00 44\n", "RECEIVE E7");
    QVERIFY2(got.contains("RECEIVE BB 00 00 44\r\nSENT OK\r\n") && got.contains("RECEIVE E7 0E 00"),
             qPrintable(got));
    QVERIFY(endsCleanly(sim));
}

QTEST_GUILESS_MAIN(TestLbServerPrograms)
#include "tst_lbserver_programs.moc"
