// Quorail's core against the virtual station over a pseudo-terminal, through
// the real serial port code. The station runs on a thread of its own, so a
// stall of the program's thread does not stop the bus, as on a real layout.

#include "application/application.h"
#include "loconet/serial_port.h"
#include "loconet/trace.h"
#include "sim/pty_port.h"
#include "sim/virtual_station.h"

#include <QTemporaryFile>
#include <QThread>
#include <QtTest>

namespace {
// The sensor reports the program dispatches, in order (sensors up to 2000).
struct SensorLog {
    QList<int> numbers;
    explicit SensorLog(Application& core)
    {
        core.dispatch.on(0xB2, [this](const ln::Msg& m) {
            const int n = (m[2] & 0x0F) * 256 + m[1] * 2 + ((m[2] & 0x20) >> 5) + 1;
            if (n <= 2000)
                numbers << n;
        });
    }
};

// The virtual station and its pseudo-terminal on a thread of their own.
class StationThread {
  public:
    StationThread(const Clock& clock, sim::StationOptions options)
    {
        auto* context = new QObject;
        context->moveToThread(&thread_);
        QObject::connect(&thread_, &QThread::finished, context, &QObject::deleteLater);
        context_ = context;
        thread_.start();
        run([&] {
            pty = new sim::PtyPort;
            if (!pty->open())
                return;
            station = new sim::VirtualStation(*pty, clock, options);
            auto* timer = new QTimer(pty);
            QObject::connect(timer, &QTimer::timeout, [this] { station->poll(); });
            timer->start(1);
        });
    }
    ~StationThread()
    {
        run([this] {
            delete station;
            delete pty;
        });
        thread_.quit();
        thread_.wait();
    }
    // Runs f on the station's thread and waits for it.
    template <typename F> void run(F f)
    {
        QMetaObject::invokeMethod(context_, f, Qt::BlockingQueuedConnection);
    }

    sim::PtyPort* pty = nullptr;
    sim::VirtualStation* station = nullptr;

  private:
    QThread thread_;
    QObject* context_;
};
} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT
  private slots:
    void overPseudoTerminal()
    {
        SteadyClock clock;
        sim::StationOptions options;
        options.pace = true;
        options.answerDelay = 0.05; // time for other devices to talk before each answer
        StationThread bus(clock, options);
        if (!bus.station)
            QSKIP("no pseudo-terminals here");
        const QString path = bus.pty->slavePath();

        QTemporaryDir dir;
        SerialPort serial;
        Application core(clock, serial, dir.path());
        core.start();
        QTemporaryFile traceFile;
        QVERIFY(traceFile.open());
        ln::TraceWriter trace(&traceFile);
        core.link.setTrace(&trace);
        QStringList boxes;
        connect(&core.msgs, &MessageService::shown,
                [&](const QString&, const QString& t) { boxes << t; });

        // Another device reports sensors all through the connect sequence.
        QTimer* chatter = nullptr;
        bus.run([&] {
            chatter = new QTimer(bus.pty);
            QObject::connect(chatter, &QTimer::timeout, [&bus, n = 0]() mutable {
                bus.station->setSensor(2001 + n % 40, n / 40 % 2 == 0);
                ++n;
            });
            chatter->start(5);
        });
        core.conn.connect_port(path);
        QTRY_VERIFY_WITH_TIMEOUT(core.conn.state() == Connection::State::Connected, 20000);
        bus.run([&] { chatter->stop(); });
        QCOMPARE(boxes, QStringList{});
        QCOMPARE(core.state.StationType, 2);
        QCOMPARE(core.identify.StationSerial, 1234567890.0);

        // 300 reports at wire pace; the program stalls for 300 ms in the middle.
        SensorLog log(core);
        bus.run([&] {
            for (int n = 1; n <= 300; ++n)
                bus.station->setSensor(n, true);
        });
        QTRY_VERIFY_WITH_TIMEOUT(log.numbers.size() >= 50, 10000);
        QThread::msleep(300);
        QTRY_COMPARE_WITH_TIMEOUT(log.numbers.size(), 300, 20000);
        QList<int> oneTo300;
        for (int n = 1; n <= 300; ++n)
            oneTo300 << n;
        QCOMPARE(log.numbers, oneTo300);

        // A corrupted report is refused; the intact one after it is taken.
        bus.run([&] {
            QByteArray corrupt = ln::frame({0xB2, 0x00, 0x10});
            corrupt[1] = 0x01;
            bus.pty->write(corrupt + ln::frame({0xB2, 0x01, 0x10}));
        });
        QTRY_COMPARE_WITH_TIMEOUT(log.numbers.size(), 301, 10000);
        QCOMPARE(log.numbers.last(), 3);
        QCOMPARE(core.link.LnRxBad, 1);
        QCOMPARE(boxes, QStringList{});

        QFile logged(traceFile.fileName());
        QVERIFY(logged.open(QIODevice::ReadOnly));
        QCOMPARE(logged.readAll().count("  BAD  B2 01 10 5D\n"), 1);

        // A second program is told that the port is taken.
        SerialPort second;
        QVERIFY(!second.open(path, {}));
        QCOMPARE(second.errorString(),
                 QString("Der Port wird von einem anderen Programm benutzt."));

        core.conn.disconnect_port(path);
        QVERIFY(!serial.isOpen());
    }
};

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_end_to_end.moc"
