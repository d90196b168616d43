// The program on the real serial path, a pseudo-terminal whose far end is
// the virtual station, meets the faults of a real line: junk, the station
// going away mid-message, a burst in one write, a stall of its own thread. Afterwards it still
// connects, sends and receives, has lost no complete message, and has not spun.
// A pulled adapter is waited for and connected again by itself.

#include "loconet/message.h"
#include "loconet/serial_port.h"
#include "loconet/trace.h"
#include "support/pty_station.h"
#include "support/sensor_log.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <ctime>
#include <memory>

namespace {

double cpuSeconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}

bool inOrderWithin(const QList<int>& all, const QList<int>& wanted)
{
    qsizetype i = 0;
    for (int n : all)
        if (i < wanted.size() && n == wanted[i])
            ++i;
    return i == wanted.size();
}

// The program's side: the application on a real serial port.
struct Program {
    Program() : core(clock, serial, dir.path())
    {
        core.start();
        QObject::connect(&core.msgs, &MessageService::shown,
                         [this](const QString& title) { boxes << title; });
    }
    bool connected() const { return core.conn.state() == Connection::State::Connected; }
    bool connectTo(const QString& port)
    {
        core.conn.connect_port(port);
        return QTest::qWaitFor([&] { return connected(); }, 20000);
    }
    // GO and STOP: each goes out, is echoed and switches the power state.
    bool sendsAndReceives()
    {
        core.power.set(true);
        if (!QTest::qWaitFor([&] { return core.state.PowerState == 1; }, 10000))
            return false;
        core.power.set(false);
        return QTest::qWaitFor([&] { return core.state.PowerState == 0; }, 10000);
    }
    SteadyClock clock;
    QTemporaryDir dir;
    SerialPort serial;
    Application core;
    QStringList boxes;
};

// What the program writes, as hex text.
struct Written : ln::TrafficTap {
    void traffic(double, ln::Traffic what, const QByteArray& m) override
    {
        if (what == ln::Traffic::Tx)
            messages << ln::hex(m);
    }
    QStringList messages;
};

// The station on a thread of its own: a stall of the program's thread does
// not stop the bus, as on a real layout.
class StationThread {
  public:
    StationThread(const Clock& clock, sim::StationOptions options)
    {
        context_->moveToThread(&thread_);
        QObject::connect(&thread_, &QThread::finished, context_, &QObject::deleteLater);
        thread_.start();
        run([&] { s = std::make_unique<PtyStation>(clock, options); });
    }
    ~StationThread()
    {
        run([this] { s.reset(); });
        thread_.quit();
        thread_.wait();
    }
    // Runs f on the station's thread and waits for it.
    template <typename F> void run(F f)
    {
        QMetaObject::invokeMethod(context_, f, Qt::BlockingQueuedConnection);
    }
    std::unique_ptr<PtyStation> s;

  private:
    QThread thread_;
    QObject* context_ = new QObject;
};

} // namespace

class TestPtyFaults : public QObject {
    Q_OBJECT
  private slots:
    void faultLeavesTheProgramWorking_data()
    {
        QTest::addColumn<QString>("fault");
        for (const char* f : {"junk", "burst", "station leaves"})
            QTest::newRow(f) << f;
    }
    void faultLeavesTheProgramWorking()
    {
        QFETCH(QString, fault);
        Program p;
        auto station = std::make_unique<PtyStation>(p.clock);
        if (!station->station)
            QSKIP("no pseudo-terminals here");
        QVERIFY(p.connectTo(station->slavePath()));
        SensorLog log(p.core);
        QList<int> sent; // sensors of the complete reports written
        const auto write = [&](const QByteArray& bytes) { QVERIFY(station->pty.write(bytes)); };
        const auto report = [&](int n) {
            sent << n;
            return sensor_report(n);
        };
        const double cpu0 = cpuSeconds();
        QElapsedTimer wall;
        wall.start();

        if (fault == "junk") {
            // Three seconds of noise at the interface's full rate (115200 baud),
            // a good report now and then.
            QRandomGenerator rng(8);
            for (int round = 0; round < 300; ++round) {
                QByteArray junk(115, Qt::Uninitialized);
                for (char& c : junk)
                    c = char(rng.bounded(256));
                write(round % 10 ? junk : junk + report(round / 10 + 1));
                QTest::qWait(10);
            }
        } else if (fault == "burst") {
            QByteArray burst;
            for (int n = 1; n <= 1000; ++n)
                burst += report(n);
            write(burst);
        } else if (fault == "station leaves") {
            QByteArray bytes;
            for (int n = 1; n <= 100; ++n)
                bytes += report(n);
            write(bytes + sensor_report(200).left(3));
            QVERIFY(QTest::qWaitFor([&] { return log.numbers.size() >= 100; }, 20000));
            station.reset(); // the station goes away mid-message
            QTRY_COMPARE_WITH_TIMEOUT(p.core.conn.state(), Connection::State::Disconnected, 10000);
            QVERIFY(p.boxes.contains("Verbindungsfehler:"));
            station = std::make_unique<PtyStation>(p.clock);
            QVERIFY(p.connectTo(station->slavePath()));
        }

        QVERIFY2(QTest::qWaitFor([&] { return inOrderWithin(log.numbers, sent); }, 20000),
                 qPrintable(QString("%1 of %2 reports").arg(log.numbers.size()).arg(sent.size())));
        QVERIFY(p.sendsAndReceives());
        QVERIFY(station->station->power() == false);
        const double busy = cpuSeconds() - cpu0;
        const double seconds = wall.elapsed() / 1000.0;
        QVERIFY2(busy < 0.5 * seconds + 1.0,
                 qPrintable(QString("%1 s CPU in %2 s").arg(busy).arg(seconds)));

        // Idle afterwards: no busy loop left behind by the fault.
        const double idle0 = cpuSeconds();
        QTest::qWait(1000);
        QVERIFY2(cpuSeconds() - idle0 < 0.3,
                 qPrintable(QString("%1 s CPU idle").arg(cpuSeconds() - idle0)));
    }

    // A USB adapter, named by a symbolic link, pulled and plugged in again:
    // a pseudo-terminal and its link go, another comes behind the same link.
    void pulledAdapterIsConnectedAgain()
    {
        Written written; // outlives the program that writes to it
        Program p;
        auto station = std::make_unique<PtyStation>(p.clock);
        if (!station->station)
            QSKIP("no pseudo-terminals here");
        QTemporaryDir devices;
        const QString link = devices.filePath("ttyUSB0");
        QVERIFY(QFile::link(station->slavePath(), link));
        QVERIFY(p.connectTo(link));
        const std::array<int, 2> locos{3, 5}, speeds{40, 30};
        const auto bound = [&](int i) {
            return p.core.req.idle() && p.core.loco.ThrSlot[size_t(i)] > 0;
        };
        for (int i : {0, 1}) {
            QVERIFY(p.core.throttle.address_key(i, QString::number(locos[size_t(i)]), true));
            QVERIFY(QTest::qWaitFor([&] { return bound(i); }, 10000));
        }
        p.core.link.addTap(&written);

        QVERIFY(QFile::remove(link));
        station.reset();
        QVERIFY(QTest::qWaitFor([&] { return p.core.conn.waiting(); }, 10000));
        const double cpu0 = cpuSeconds();
        QTest::qWait(3000);
        const double busy = cpuSeconds() - cpu0;
        QVERIFY2(busy < 0.3, qPrintable(QString("%1 s CPU in 3 s of waiting").arg(busy)));
        QCOMPARE(written.messages, QStringList{});

        // Back restarted: the locos stand in other slots, driven meanwhile
        // by another throttle.
        station = std::make_unique<PtyStation>(p.clock);
        station->station->throttleSpeed(locos[1], speeds[1]);
        station->station->throttleSpeed(locos[0], speeds[0]);
        QElapsedTimer replug;
        replug.start();
        QVERIFY(QFile::link(station->slavePath(), link));
        QVERIFY(QTest::qWaitFor([&] { return p.connected(); }, 10000));
        qInfo("from replug to \"Verbunden\": %lld ms", replug.elapsed());
        QVERIFY(replug.elapsed() < 3000);
        QVERIFY(QTest::qWaitFor([&] { return bound(0) && bound(1); }, 10000));
        for (size_t i : {0, 1}) {
            QCOMPARE(p.core.loco.ThrSlot[i], station->station->slotTable().find(locos[i]));
            QCOMPARE(p.core.loco.ThrLoco[i].Spd, speeds[i]);
        }
        // One loco request after the other, and nothing sent to the locos.
        QCOMPARE(written.messages.filter(QRegularExpression("^(BE|BF|A[0-2]|D4) ")),
                 (QStringList{ln::hex(ln::frame({0xBE, 0, locos[0]})),
                              ln::hex(ln::frame({0xBE, 0, locos[1]}))}));
        QCOMPARE(p.boxes, QStringList{"Verbindungsfehler:"}); // told once
    }

    // Another device chatters all through the connect; later the program
    // stalls for 300 ms while the station goes on sending at wire pace.
    void stallAndChatterLoseNothing()
    {
        Program p;
        StationThread bus(p.clock, {.answerDelay = 0.05, .pace = true});
        if (!bus.s->station)
            QSKIP("no pseudo-terminals here");
        QTimer* chatter = nullptr;
        bus.run([&] {
            chatter = new QTimer(&bus.s->timer);
            QObject::connect(chatter, &QTimer::timeout, [&bus, n = 0]() mutable {
                bus.s->station->setSensor(2001 + n % 40, n / 40 % 2 == 0);
                ++n;
            });
            chatter->start(5);
        });
        QVERIFY(p.connectTo(bus.s->slavePath()));
        bus.run([&] { chatter->stop(); });
        QCOMPARE(p.boxes, QStringList{});
        QCOMPARE(p.core.state.StationType, 2);
        QCOMPARE(p.core.identify.StationSerial, 1234567890.0);

        SensorLog log(p.core);
        QList<int> sent;
        for (int n = 1; n <= 300; ++n)
            sent << n;
        bus.run([&] {
            for (int n : sent)
                bus.s->station->setSensor(n, true);
        });
        QTRY_VERIFY_WITH_TIMEOUT(log.numbers.size() >= 50, 10000);
        QThread::msleep(300);
        QVERIFY(QTest::qWaitFor([&] { return inOrderWithin(log.numbers, sent); }, 20000));

        // A second program is told that the port is taken.
        SerialPort second;
        QVERIFY(!second.open(bus.s->slavePath(), {}));
        QCOMPARE(second.errorString(), "Der Port wird von einem anderen Programm benutzt.");
    }
};

QTEST_GUILESS_MAIN(TestPtyFaults)
#include "tst_pty_faults.moc"
