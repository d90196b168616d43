// The real serial path: the station on the master side of a pseudo-terminal,
// the program's SerialPort on the slave side.

#include "core/clock.h"
#include "loconet/message.h"
#include "loconet/serial_port.h"
#include "sim/pty_port.h"
#include "sim/virtual_station.h"

#include <QtTest>

class TestSimPty : public QObject {
    Q_OBJECT
  private slots:
    void slotZeroOverSerialPort()
    {
        sim::PtyPort pty;
        if (!pty.open())
            QSKIP(qPrintable("no pseudo-terminals here: " + pty.errorString()));
        SteadyClock clock;
        sim::VirtualStation station(pty, clock);
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { station.poll(); });
        ticker.start(1);

        const QByteArray request = ln::frame({0xBB, 0x00, 0x00});
        const QByteArray expected =
            request + ln::frame({0xE7, 0x0E, 0, 0, 0, 3, 0, 7, 0, 0, 0, 0x5A, 0x56});
        // The second round opens the slave again after the first program left
        // mid-message.
        for (int round = 0; round < 2; ++round) {
            SerialPort serial;
            QVERIFY2(serial.open(pty.slavePath(), PortSettings{115200, 8, 'n', 1}),
                     qPrintable(serial.errorString()));
            QByteArray got;
            connect(&serial, &Port::readyRead, this, [&] { got += serial.readAll(); });
            QVERIFY(serial.write(request));
            QTRY_VERIFY_WITH_TIMEOUT(got.size() >= expected.size(), 10000);
            QCOMPARE(ln::hex(got), ln::hex(expected));
            QVERIFY(serial.write(request.left(2)));
            QTest::qWait(100);
            serial.close();
            QTRY_VERIFY_WITH_TIMEOUT(!pty.peerConnected(), 10000);
        }
    }

    void floodIsReadInBoundedSteps()
    {
        sim::PtyPort pty;
        if (!pty.open())
            QSKIP("no pseudo-terminals here");
        SerialPort serial;
        QVERIFY(serial.open(pty.slavePath(), PortSettings{}));
        QByteArray flood(64 * 1024, '\x55');
        for (qsizetype i = 0; i < flood.size(); i += 7)
            flood[i] = char(i);
        QByteArray got;
        qsizetype largestStep = 0;
        connect(&pty, &Port::readyRead, this, [&] {
            largestStep = std::max(largestStep, pty.bytesAvailable());
            got += pty.readAll();
        });
        QVERIFY(serial.write(flood));
        QTRY_COMPARE_WITH_TIMEOUT(got.size(), flood.size(), 20000);
        QCOMPARE(got, flood);
        QVERIFY(largestStep <= sim::PtyPort::ReadChunk);
    }
};

QTEST_GUILESS_MAIN(TestSimPty)
#include "tst_sim_pty.moc"
