// The virtual station under a flood: every message is echoed in order and
// the work grows linearly with the flood; paced, what the bus cannot carry
// is dropped and counted instead of queueing without end.

#include "sim/wire.h"
#include "sim_bench.h"

#include <QtTest>
#include <ctime>

class TestSimFlood : public QObject {
    Q_OBJECT
  private slots:
    void floodReadAtOnceIsEchoedAndAnsweredInOrder();
    void pacedQueueDropsWhatExceedsItsBound();
};

void TestSimFlood::floodReadAtOnceIsEchoedAndAnsweredInOrder()
{
    // 100,000 slot reads arrive in one read: each queues its echo (due now)
    // ahead of every answer (due later). Queueing that searched the whole
    // queue took minutes here; linear work takes well under a second.
    constexpr int N = 100000;
    SimBench b;
    const QByteArray request = framed("BB 00 00");
    b.ports.a.write(request.repeated(N));
    const std::clock_t start = std::clock(); // CPU time: a busy machine does not count
    b.station->poll();
    const QByteArray echoes = b.ports.a.readAll();
    b.clock.advance(0.01);
    b.station->poll();
    const QByteArray answers = b.ports.a.readAll();
    const double seconds = double(std::clock() - start) / CLOCKS_PER_SEC;
    QVERIFY2(seconds < 3.0, qPrintable(QString("%1 s").arg(seconds)));
    QCOMPARE(echoes, request.repeated(N));
    const QByteArray slot0 = answers.left(14);
    QVERIFY(checksumsOk(slot0));
    QCOMPARE(answers, slot0.repeated(N));
}

void TestSimFlood::pacedQueueDropsWhatExceedsItsBound()
{
    sim::StationOptions options;
    options.pace = true;
    SimBench b(options);
    // Sensor reports are echoed and never answered: 4 bytes each.
    QByteArray flood;
    for (int n = 0; n < 2000; ++n)
        flood += framed(QString::asprintf("B2 %02X 10", n & 0x7F));
    b.ports.a.write(flood);
    const QByteArray out = b.run(5.0);
    const qsizetype kept = sim::Transmitter::MaxPacedBytes / 4;
    QCOMPARE(out, flood.left(kept * 4)); // the first ones, whole and in order
    QCOMPARE(b.station->dropped(), 2000 - kept);
    // Once the bus has carried the backlog, messages are taken again.
    QCOMPARE(b.talk("BB 00 00").left(4), framed("BB 00 00"));
    QCOMPARE(b.station->dropped(), 2000 - kept);
}

QTEST_GUILESS_MAIN(TestSimFlood)
#include "tst_sim_flood.moc"
