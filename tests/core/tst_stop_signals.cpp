// A request to end (SIGTERM, SIGINT) runs the stop function once, from the
// event loop.

#include "core/stop_signals.h"

#include <QtTest>
#include <csignal>

class TestStopSignals : public QObject {
    Q_OBJECT
  private slots:
    void requestRunsStopFromTheEventLoop_data();
    void requestRunsStopFromTheEventLoop();
};

void TestStopSignals::requestRunsStopFromTheEventLoop_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void TestStopSignals::requestRunsStopFromTheEventLoop()
{
#ifndef Q_OS_UNIX
    QSKIP("no POSIX signals here");
#endif
    QFETCH(int, signal);
    int stops = 0;
    StopSignals watcher([&] { ++stops; });
    std::raise(signal);
    QCOMPARE(stops, 0); // not inside the handler
    QTRY_COMPARE(stops, 1);
}

QTEST_GUILESS_MAIN(TestStopSignals)
#include "tst_stop_signals.moc"
