#include "sim/sim_bench.h"
#include "support/rig.h"
#include "support/scripted_station.h"

#include <QtTest>

namespace {
const char* kType1 = "E7 0E 00 00 00 02 00 07 00 00 00 5A 56";
const char* kType2Off = "E7 0E 00 00 00 03 00 06 00 00 00 5A 56";
const char* kType3 = "E7 0E 00 02 42 03 00 07 00 00 15 5A 56";
const char* kOther = "E7 0E 00 00 00 04 00 07 00 00 00 5A 56";

const QString kSlot0Read = "BB 00 00";
const QString kSerialReq = "ED 0F 01 5A 56 07 00 00 00 00 00 00 00 00";
const QString kVersionReq = "ED 0F 01 5A 56 06 00 00 00 00 00 00 00 00";

// A rig with a scripted station that identifies as type 2.
struct Connected {
    explicit Connected(int ifType = 3) : rig(ifType), station(rig.bus)
    {
        station.answer(kSlot0Read, framed(kType2Off));
        station.answer(kSerialReq, peer_message(0x09, {0x00, 0x00, 0x01, 0x23, 0x45, 0, 0}));
        station.answer(kVersionReq, peer_message(0x08, {0x00, 0x20, 0, 0, 0, 0, 0}));
        rig.station = [this] { station.poll(); };
    }
    Rig rig;
    ScriptedStation station;
    Connection& conn() { return rig.core->conn; }
    QString conf() const
    {
        QFile f(rig.dir.filePath("conf.dat"));
        return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
    }
};
} // namespace

struct RefusedRow {
    int ifType;
    QString port, title, text, retry;
};
Q_DECLARE_METATYPE(RefusedRow)

class TestConnection : public QObject {
    Q_OBJECT
  private slots:
    void identification_data()
    {
        QTest::addColumn<QString>("answer"); // empty: no answer
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("power");
        QTest::newRow("type 1, power on") << kType1 << 1 << 1;
        QTest::newRow("type 2, power off") << kType2Off << 2 << 0;
        QTest::newRow("type 3") << kType3 << 3 << 1;
        QTest::newRow("other identity") << kOther << 99 << 1;
        QTest::newRow("no answers") << "" << 99 << -1;
    }
    void identification()
    {
        QFETCH(QString, answer);
        QFETCH(int, type);
        QFETCH(int, power);
        // Silent to the slot-0 read and the version request: each is told.
        const QStringList silent{"Keine Antwort auf Slot 0 Anfrage erhalten!",
                                 "Keine Antwort Anfrage Seriennummer erhalten!"};
        Connected c;
        if (answer.isEmpty()) {
            c.station.forget(kSlot0Read);
            c.station.forget(kVersionReq);
        } else {
            c.station.answer(kSlot0Read, framed(answer));
        }
        QSignalSpy powerShown(&c.rig.core->state, &StationState::power_shown);
        c.conn().connect_port("4");
        c.rig.run(answer.isEmpty() ? 1.0 : 0.05);
        QCOMPARE(c.rig.core->state.StationType, answer.isEmpty() ? -1 : type);
        c.rig.run(3);
        QCOMPARE(c.rig.core->state.StationType, type);
        QCOMPARE(powerShown.isEmpty() ? -1 : powerShown.last()[0].toInt(), power);
        QCOMPARE(c.rig.texts(), answer.isEmpty() ? silent : QStringList{});
        // Unknown or silent stations still leave a usable connection.
        QCOMPARE(c.conn().state(), Connection::State::Connected);
        QCOMPARE(c.conf(), QString("3\r\n4\r\n"));
    }

    // Other devices' messages between each echo and its answer: a slot and a
    // configuration answer for other locos, a sensor report, another device's
    // refused loco request.
    void sequenceOnTheWire_data()
    {
        QTest::addColumn<QByteArray>("noise");
        QTest::addColumn<QByteArray>("serial");
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<QString>("shown");
        QTest::newRow("quiet bus")
            << QByteArray() << peer_message(0x09, {0, 0, 0x01, 0x23, 0x45, 0, 0})
            << peer_message(0x08, {0x50, 0x15, 0, 0, 0, 0, 0}) << "12345 1.550";
        QTest::newRow("others talk between echo and answer")
            << ln::frame({0xE7, 0x0E, 9, 0x33, 5, 0, 0, 7, 0, 0, 0, 0, 0}) +
                   peer_message(0x0B, {5, 0, 19, 0, 0, 0, 0}) + ln::frame({0xB2, 1, 0x10}) +
                   ln::frame({0xB4, 0x3F, 0})
            << peer_message(0x09, {0x98, 0x76, 0x54, 0x32, 0x10, 0, 0})
            << peer_message(0x08, {0x99, 0x99, 0, 0, 0, 0, 0}) << "9876543210 9.999";
    }
    void sequenceOnTheWire()
    {
        QFETCH(QByteArray, noise);
        QFETCH(QByteArray, serial);
        QFETCH(QByteArray, version);
        QFETCH(QString, shown);
        Connected c;
        c.station.noise = noise;
        c.station.answer(kSerialReq, serial);
        c.station.answer(kVersionReq, version);
        QSignalSpy versionShown(&c.rig.core->identify, &Identify::version_shown);
        QSignalSpy lock(c.rig.core.get(), &Application::lock_ui);
        QSignalSpy connected(&c.conn(), &Connection::connected);
        c.conn().connect_port(" /dev/ttyUSB0 ");
        QCOMPARE(c.rig.port.name(), QString("/dev/ttyUSB0"));
        QCOMPARE(c.rig.port.settings().baud, 115200);
        QVERIFY(!c.rig.port.settings().dtr);
        QVERIFY(c.rig.core->MainTimer.isActive());
        QCOMPARE(c.conf(), QString()); // not before the sequence ends
        // 20 requests: the first goes out at once, each next one as soon as
        // the answer before it is in, also from one job to the next; the
        // scripted station answers once per step.
        int ticks = 0;
        for (; connected.isEmpty() && ticks < 200; ++ticks)
            c.rig.run(0.01);
        QCOMPARE(ticks, 19);
        QStringList expected{kSlot0Read};
        for (int a = 0; a < 16; ++a)
            expected << QString("BC %1 00").arg(a, 2, 16, QChar('0')).toUpper();
        expected << kSerialReq << kVersionReq;
        QCOMPARE(c.station.heard.join(' '), wire_hex(expected.join('|')));
        QCOMPARE(connected.size(), 1);
        QCOMPARE(lock.last()[0].toBool(), false);
        QCOMPARE(c.conf(), QString("3\r\n/dev/ttyUSB0\r\n"));
        QVERIFY(c.rig.shown.isEmpty());
        QCOMPARE(c.rig.core->state.StationType, 2);
        QCOMPARE(versionShown.size(), 1);
        QCOMPARE(versionShown[0][0].toString() + ' ' + versionShown[0][1].toString(), shown);
    }

    void interfaceChoiceAppliesAtNextConnect()
    {
        Connected c;
        c.conn().connect_port("1");
        c.rig.run(2);
        c.rig.core->state.set_interface(2); // would wait for an input poll
        c.rig.core->power.set(true);
        c.rig.run(0.05);
        QCOMPARE(c.rig.core->state.PowerState, 1); // sent, echoed, dispatched
        c.rig.core->state.set_interface(1);        // would wait for CTS
        c.rig.port.setCts(false);
        c.rig.core->power.set(false);
        c.rig.run(0.05);
        QCOMPARE(c.rig.core->state.PowerState, 0);
        c.conn().disconnect_port("1");
        c.conn().connect_port("1");
        QCOMPARE(c.rig.port.settings().baud, 2400); // now the set-up of type 1
    }

    // A port the interface cannot use, or one the system refuses: one box,
    // no connection, conf.dat untouched; "Verbinden" works again afterwards.
    void refusedPort_data()
    {
        QTest::addColumn<RefusedRow>("row");
        QTest::newRow("70810 on port 3")
            << RefusedRow{2, "3", "Fehler 70810", "Nur ComPort 1 oder 2 möglich!", "1"};
        QTest::newRow("port does not open") << RefusedRow{
            3, "9",
            "Verbindungsfehler:", "Port " + port_device("9") + ": No such file or directory", "9"};
    }
    void refusedPort()
    {
        QFETCH(RefusedRow, row);
        const auto& [ifType, port, title, text, retry] = row;
        Connected c(ifType);
        c.rig.port.close();
        c.rig.port.refuseOpen("No such file or directory");
        QSignalSpy disconnected(&c.conn(), &Connection::disconnected);
        c.conn().connect_port(port);
        QCOMPARE(c.rig.texts(), QStringList{text});
        QCOMPARE(c.rig.shown[0].title, title);
        QCOMPARE(c.rig.shown[0].icon, MsgIcon::None);
        c.rig.run(1);
        QCOMPARE(disconnected.size(), 1);
        QCOMPARE(c.conn().state(), Connection::State::Disconnected);
        QVERIFY(!c.rig.core->MainTimer.isActive());
        QCOMPARE(c.conf(), QString());
        c.rig.port.refuseOpen({});
        c.conn().connect_port(retry);
        // The 70810 runs at the rate of UART divisor 7 and is polled for input.
        QCOMPARE(c.rig.port.settings().baud, ifType == 2 ? 16457 : 115200);
        QCOMPARE(c.rig.port.settings().rts, ifType == 2);
        QCOMPARE(c.rig.core->conn.Timer1.isActive(), ifType == 2);
        c.rig.run(2);
        QCOMPARE(c.conn().state(), Connection::State::Connected);
        QCOMPARE(c.conf(), QString("%1\r\n%2\r\n").arg(ifType).arg(retry));
    }

    // "Trennen", or the port vanishes (cable pulled): the same state afterwards.
    // A run against the virtual station leaves conf.dat alone.
    void endOfConnection_data()
    {
        QTest::addColumn<bool>("vanish");
        QTest::addColumn<bool>("keepConf");
        QTest::newRow("Trennen") << false << false;
        QTest::newRow("port vanishes") << true << false;
        QTest::newRow("virtual station") << false << true;
    }
    void endOfConnection()
    {
        QFETCH(bool, vanish);
        QFETCH(bool, keepConf);
        Connected c;
        c.rig.core->keepConf = keepConf;
        c.conn().connect_port("1");
        c.rig.run(2);
        QSignalSpy lock(c.rig.core.get(), &Application::lock_ui);
        QSignalSpy station(&c.rig.core->state, &StationState::station_changed);
        if (vanish)
            c.rig.port.vanish("Input/output error");
        else
            c.conn().disconnect_port("5");
        QCOMPARE(c.rig.core->state.ComPortNr, QString(vanish ? "1" : "5"));
        QCOMPARE(c.conn().state(), Connection::State::Disconnected);
        QCOMPARE(c.rig.core->state.StationType, 99);
        QCOMPARE(station.size(), 1);
        QCOMPARE(QList<QVariantList>(lock), QList<QVariantList>{{true}});
        QVERIFY(!c.rig.port.isOpen());
        QVERIFY(!c.rig.core->MainTimer.isActive());
        c.rig.run(1); // no ticks, no further boxes
        const QString lost = "Port " + port_device("1") + ": Input/output error";
        QCOMPARE(c.rig.texts(), vanish ? QStringList{lost} : QStringList{});
        QCOMPARE(c.conf(), keepConf ? QString() : "3\r\n1\r\n"); // only a connection writes it
        c.conn().connect_port("1");
        c.rig.run(2);
        QCOMPARE(c.conn().state(), Connection::State::Connected);
    }

    // A port that vanished while connected is looked for once per poll and
    // connected again when it is back; "Trennen" or "Verbinden" ends the wait.
    void vanishedPortIsWaitedFor_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("action");
        QTest::addColumn<double>("nextPoll"); // after the port is back
        // Lost at 0 and back at 4.5: polled again at 5 (each second) or 6 (every 2 s).
        QTest::newRow("serial port back") << "1" << QString() << 0.5;
        QTest::newRow("LbServer back") << "127.0.0.1:1234" << QString() << 1.5;
        QTest::newRow("Trennen ends the wait") << "1" << QString("Trennen") << 0.5;
        QTest::newRow("Verbinden ends the wait") << "1" << QString("Verbinden") << 0.5;
    }
    void vanishedPortIsWaitedFor()
    {
        QFETCH(QString, port);
        QFETCH(QString, action);
        QFETCH(double, nextPoll);
        Connected c;
        c.conn().connect_port(port);
        c.rig.run(2);
        QSignalSpy reconnected(&c.conn(), &Connection::connected);
        c.rig.takeWire();
        c.rig.port.vanish("Input/output error");
        c.rig.port.refuseOpen("No such file or directory");
        QStringList texts{"Port " + port_device(port) + ": Input/output error"};
        if (action == "Trennen")
            c.conn().disconnect_port(port);
        if (action == "Verbinden") {
            c.conn().connect_port(port);
            texts << "Port " + port_device(port) + ": No such file or directory";
        }
        c.rig.run(4.5);
        QVERIFY(!c.rig.core->MainTimer.isActive());
        QCOMPARE(c.rig.takeWire(), QString()); // nothing goes out while it is away
        c.rig.port.refuseOpen({});
        c.rig.run(nextPoll - 0.05);
        QVERIFY(!c.rig.port.isOpen());
        c.rig.run(0.1);
        QCOMPARE(c.rig.port.isOpen(), action.isEmpty());
        c.rig.run(2);
        QCOMPARE(c.rig.texts(), texts); // the loss is told once
        QCOMPARE(reconnected.size(), action.isEmpty() ? 1 : 0);
        if (!action.isEmpty())
            return;
        QVERIFY(c.rig.takeWire().startsWith(wire_hex(kSlot0Read)));
        c.rig.port.vanish("Input/output error"); // lost again once connected: told again
        QCOMPARE(c.rig.texts().size(), 2);
    }

    // Zentrova 1: a break of 1 s, then set-up texts each answered by "OK]";
    // with no answer the set-up gives up after 5 s.
    void zentrova1SetUp_data()
    {
        QTest::addColumn<bool>("answers");
        QTest::newRow("answers") << true;
        QTest::newRow("silent") << false;
    }
    void zentrova1SetUp()
    {
        QFETCH(bool, answers);
        Connected c(1);
        QStringList lines;
        QList<int> bauds;
        auto zv1 = c.rig.station;
        c.rig.station = [&] {
            if (c.conn().state() != Connection::State::SettingUp)
                return zv1();
            const QByteArray in = c.rig.bus.readAll();
            if (!in.isEmpty()) {
                lines << QString::fromLatin1(in);
                bauds << c.rig.port.settings().baud;
                if (answers)
                    c.rig.bus.write("OK]");
            }
        };
        c.conn().connect_port("2");
        QVERIFY(c.rig.port.breakOn());
        QCOMPARE(c.rig.port.settings().baud, 2400);
        QCOMPARE(c.rig.port.settings().stopBits, 2);
        c.rig.run(0.99);
        QVERIFY(c.rig.port.breakOn());
        c.rig.run(0.03);
        QVERIFY(!c.rig.port.breakOn());
        if (!answers) {
            c.rig.run(0.28 + 5.0);
            QVERIFY(c.rig.shown.isEmpty()); // 5 s are not yet over
            c.rig.run(0.1);
            QCOMPARE(c.rig.texts(), QStringList{"Zeichenübertragung nicht möglich!"});
            QCOMPARE(c.rig.shown[0].title, QString("Zentrova 1:"));
            QCOMPARE(c.conn().state(), Connection::State::Disconnected);
            QVERIFY(!c.rig.port.isOpen());
            return;
        }
        c.rig.run(3);
        QCOMPARE(lines, (QStringList{"xB19200\r", "xRT255\r", "x&LN$3C96\r"}));
        QCOMPARE(bauds, (QList<int>{2400, 19200, 19200}));
        QCOMPARE(c.rig.core->state.StationType, 2);
        QCOMPARE(c.conn().state(), Connection::State::Connected);
    }

    void portTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("device");
        QTest::addColumn<int>("number");
        const auto row = [](const QString& text, const QString& device, int number) {
            QTest::newRow(qPrintable(text)) << text << device << number;
        };
#ifdef Q_OS_WIN
        row("1", "COM1", 1);
        row("COM2", "COM2", 2);
#else
        row("1", "/dev/ttyS0", 1);
        row("/dev/ttyS1", "/dev/ttyS1", 2);
#endif
        row("/dev/ttyUSB0", "/dev/ttyUSB0", 0);
        row("3", port_device("3"), 3);
    }
    void portTexts()
    {
        QFETCH(QString, text);
        QFETCH(QString, device);
        QFETCH(int, number);
        QCOMPARE(port_device(text), device);
        QCOMPARE(port_number(text), number);
    }
};

QTEST_GUILESS_MAIN(TestConnection)
#include "tst_connection.moc"
