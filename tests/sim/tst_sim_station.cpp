// The virtual station's answers (slots, settings, programming track, LNCV
// modules), its echo and timing, and the events it plays for other devices,
// byte for byte on the wire. Under a flood every message is echoed in order
// and the work grows linearly; paced, what the bus cannot carry is dropped
// and counted instead of queueing without end. Over a pseudo-terminal the
// program's SerialPort reaches it as a real port.

#include "loconet/serial_port.h"
#include "loconet/trace.h"
#include "sim/pty_port.h"
#include "sim/wire.h"
#include "sim_bench.h"

#include <QtTest>
#include <ctime>
#include <functional>

using sim::VirtualStation;
using Action = std::function<void(VirtualStation&)>;
Q_DECLARE_METATYPE(Action)

namespace {
const QString Loco3 = "BF 00 03";
const QString PowerOff = "82", PowerOn = "83";
const QString Slot0 = "BB 00 00";
// Hex bytes, zeros appended up to n bytes.
QString pad(const QString& hex, int n)
{
    return hex + QString(" 00").repeated(n - int(hex.size() + 1) / 3);
}
// A settings request and the station's answer, from their command byte on.
QString cmd(const QString& args)
{
    return pad("ED 0F 01 5A 56 " + args, 14);
}
QString peer(const QString& args)
{
    return pad("E5 0F 01 5A 56 " + args, 14);
}
// Slot data of an idle loco: slot, status and low address.
QString slotData(const QString& slotStatusAdr)
{
    return "E7 0E " + slotStatusAdr + " 00 00 07 00 00 00 00 00";
}

const QString Enter = "E5 07 01 5A 56 41", Leave = "E5 07 01 5A 56 40";

// The 31-byte request from its bytes 5..10 (command bits, CV, value).
QString prog(const QString& bytes5to10)
{
    return "ED 1F 01 5A 56 " + bytes5to10 + " 00 00 00 00 10" + QString(" 00").repeated(14);
}

// The programmer's reply in slot 124, from its bytes 3 on.
QString reply(const QString& bytes3on)
{
    return pad("E7 0E 7C " + bytes3on, 13);
}

// LNCV request for article 1234 (0x04D2, whose bit 7 travels in byte 6).
QString lncvReq(const QString& bytes5to13)
{
    return "ED 0F 01 05 00 " + bytes5to13;
}

const QString Start = lncvReq("21 41 52 04 00 00 01 00 00");
const QString End = lncvReq("21 01 52 04 00 00 01 00 40");
QString readLncv(int nr)
{
    return lncvReq(QString::asprintf("21 01 52 04 %02X 00 00 00 00", nr));
}
} // namespace

class TestSimStation : public QObject {
    Q_OBJECT
  private slots:
    void answers_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("request");
        QTest::addColumn<QString>("answer"); // messages separated by |, empty = none
        const auto row = [](const char* name, const QStringList& before, const QString& request,
                            const QString& answer, int type = 2) {
            QTest::newRow(name) << type << before << request << answer;
        };

        const QString type1 = "E7 0E 00 00 00 02 00 %1 00 00 00 5A 56";
        const QString type2 = "E7 0E 00 00 00 03 00 %1 00 00 00 5A 56";
        const QString type3 = "E7 0E 00 02 42 03 00 %1 00 00 15 5A 56";
        row("slot 0 type 1", {}, Slot0, type1.arg("07"), 1);
        row("slot 0 type 2 off", {PowerOff}, Slot0, type2.arg("06"));
        row("slot 0 type 3", {}, Slot0, type3.arg("07"), 3);
        row("power back on", {PowerOff, PowerOn}, Slot0, type2.arg("07"));
        row("power has no answer", {}, PowerOff, "");

        const QString loco3 = slotData("01 10 03");
        row("loco request BE", {}, "BE 00 03", loco3, 3);
        row("BE unknown to type 1", {}, "BE 00 03", "", 1);
        row("address 200", {}, "BF 01 48", "E7 0E 01 10 48 00 00 07 00 01 00 00 00");
        row("next address next slot", {Loco3}, "BF 00 05", slotData("02 10 05"));
        row("same address same slot", {Loco3, "BF 00 05"}, Loco3, loco3);
        row("DCC 128 in slot status", {cmd("0C 00 05 00 53")}, "BF 00 05", slotData("01 13 05"));
        row("speed, dirf, snd kept", {Loco3, "A0 01 20", "A1 01 30", "A2 01 05"}, "BB 01 00",
            "E7 0E 01 10 03 20 30 07 00 00 05 00 00");
        row("no such slot", {}, "BB 7C 00", "B4 3B 00");
        row("slot status has no answer", {Loco3}, "B5 01 13", "");
        row("freed slot is reused", {Loco3, "B5 01 00"}, "BF 00 05", slotData("01 10 05"));
        row("null move takes slot", {Loco3}, "BA 01 01", slotData("01 30 03"));
        row("dispatch put", {Loco3, "B5 01 30"}, "BA 01 00", loco3);
        row("dispatch get", {Loco3, "BA 01 00"}, "BA 00 00", slotData("01 30 03"));
        row("dispatch get, none put", {}, "BA 00 00", "B4 3A 00");
        row("move to a free slot", {Loco3}, "BA 01 07", slotData("07 10 03"));
        QStringList full; // locos 1..119 in slots 1..119
        for (int a = 1; a <= 119; ++a)
            full << QString::asprintf("BF 00 %02X", a);
        row("full table refuses", full, "BF 00 78", "B4 3F 00");
        row("full table: a loco keeps its slot", full, "BF 00 77", slotData("77 10 77"));

        row("never switched is red", {}, "BC 04 00", "B4 3C 50");
        row("switched green", {"B0 04 30"}, "BC 04 00", "B4 3C 30");
        row("accessory 2048", {"B0 7F 3F"}, "BC 7F 0F", "B4 3C 30");
        row("off message moves nothing", {"B0 04 20"}, "BC 04 00", "B4 3C 50");

        row("serial number", {}, cmd("07"), peer("09 10 12 34 56 78 10"));
        row("version 2.000", {}, cmd("06"), peer("08 00 00 20"));
        row("version 1.550", {}, cmd("06"), peer("08 00 50 15"), 1);
        row("option 255 written and read", {cmd("01 04 05 00 7F")}, cmd("02 00 05"),
            peer("00 04 05 00 7F"));
        row("option write", {}, cmd("01 00 0E 00 1E"), "B4 6D 7F");
        row("unknown option read", {}, cmd("02 01 48"), "B4 6D 00");
        row("format read", {}, cmd("0D 00 03"), peer("0B 00 03 00 12"));
        row("format written and read", {cmd("0C 00 03 00 53 05")}, cmd("0D 00 03"),
            peer("0B 00 03 00 13 05"));
        row("no such format", {}, cmd("0C 00 03 00 45"), "B4 6D 00");
        row("option 10 is the default format", {cmd("01 00 0A 00 06")}, cmd("0D 00 03"),
            peer("0B 00 03 00 13"));
        row("reset configuration", {cmd("01 00 0E 00 1E"), cmd("18")}, cmd("02 00 0E"),
            peer("00 00 0E 00 14"));
        row("reset loco formats", {cmd("0C 00 03 00 53"), cmd("18 00 01")}, cmd("0D 00 03"),
            peer("0B 00 03 00 12"));

        // Track status 0F: power on, programming track busy.
        row("read CV 1", {Enter}, prog("71 72 01 00 00 70"), reply("28 00 00 00 0F 00 00 03"));
        row("read CV 200", {Enter}, prog("73 72 48 00 00 70"), reply("28 00 00 00 0F 01 47 11"));
        row("value 255 via CVH", {Enter}, prog("71 72 05 00 00 70"),
            reply("28 00 00 00 0F 02 04 7F"));
        row("CV the decoder lacks", {Enter}, prog("71 72 3C 00 00 70"),
            reply("28 02 00 00 0F 00 3B"));
        row("write 200 to CV 3", {Enter}, prog("79 71 03 00 48 70"),
            reply("68 00 00 00 0F 02 02 48"));
        row("read-only CV 8", {Enter}, prog("71 71 08 00 01 70"), reply("68 02 00 00 0F 00 07"));
        row("not in programming mode", {}, prog("71 72 01 00 00 70"), "");
        row("after leaving", {Enter, Leave}, prog("71 72 01 00 00 70"), "");

        const QString answer = "E5 0F 05 00 00 1F 01 52 04 %1 00";
        row("start", {}, Start, answer.arg("00 00 01 00"));
        row("start, other address", {}, lncvReq("21 41 52 04 00 00 02 00 00"), "");
        row("read", {Start}, readLncv(1), answer.arg("01 00 05 00"));
        row("read, no such LNCV", {Start}, readLncv(9), "B4 6D 01");
        row("write", {Start}, lncvReq("20 01 52 04 01 00 0A 00 00"), "B4 6D 7F");
        row("write, read-only", {Start}, lncvReq("20 01 52 04 07 00 01 00 00"), "B4 6D 02");
        row("write, invalid value", {Start}, lncvReq("20 11 52 04 01 00 38 0B 00"), "B4 6D 03");
        row("read after end", {Start, End}, readLncv(1), "");
        row("new module address", {Start, lncvReq("20 01 52 04 00 00 07 00 00"), End},
            lncvReq("21 41 52 04 00 00 07 00 00"), answer.arg("00 00 07 00"));
    }

    void answers()
    {
        QFETCH(int, type);
        QFETCH(QStringList, before);
        QFETCH(QString, request);
        QFETCH(QString, answer);
        SimBench b({.stationType = type});
        auto d = sim::Decoder::standard(3);
        d.cvs[200] = 17;
        b.station->programmingTrack().setDecoder(d);
        sim::LncvModule m = sim::LncvModule::make(1234, 1);
        m.lncvs[1] = {5, 1, 2048};
        m.lncvs[7] = {3, 0, 255, true};
        b.station->lncvModules().add(m);
        b.prepare(before);
        QCOMPARE(ln::hex(b.talk(request)), ln::hex(framed(request) + framedAll(answer)));
    }

    void programmingTrackWithoutDecoderOrSilent()
    {
        const QString read = prog("71 72 01 00 00 70");
        SimBench empty;
        empty.prepare({Enter});
        QCOMPARE(ln::hex(empty.talk(read).mid(31)), ln::hex(framed(reply("28 04 00 00 0F 00 00"))));
        SimBench silent({.programmingSilent = true});
        silent.station->programmingTrack().setDecoder(sim::Decoder::standard(3));
        silent.prepare({Enter});
        QCOMPARE(silent.talk(read, 6.0).size(), 31); // only the echo
    }

    void echoesExactlyWhatItHears_data()
    {
        QTest::addColumn<QString>("heard");
        QTest::addColumn<QString>("echoed");
        QTest::newRow("bad checksum: echo, no answer; next one in order") << "BB 00 00 00 82 7D"
                                                                          << "BB 00 00 00 82 7D";
        QTest::newRow("stray, unfinished and impossible dropped") << "12 34 B2 12 E7 00 01 02 82 7D"
                                                                  << "82 7D";
    }

    void echoesExactlyWhatItHears()
    {
        QFETCH(QString, heard);
        QFETCH(QString, echoed);
        SimBench b;
        b.ports.a.write(QByteArray::fromHex(heard.toLatin1()));
        QCOMPARE(ln::hex(b.run(1.0)), ln::hex(QByteArray::fromHex(echoed.toLatin1())));
    }

    void answerWaitsForItsDelay()
    {
        SimBench b({.answerDelay = 0.2});
        // A message that arrives in two pieces is answered once it is whole.
        b.ports.a.write(QByteArray::fromHex("BB00"));
        QVERIFY(b.run(0.05).isEmpty());
        b.ports.a.write(QByteArray::fromHex("0044"));
        QCOMPARE(ln::hex(b.run(0.19)), ln::hex(framed(Slot0)));
        QCOMPARE(ln::hex(b.run(0.02)), ln::hex(framed("E7 0E 00 00 00 03 00 07 00 00 00 5A 56")));
    }

    void pacesAtWireRate()
    {
        // 1645.7 bytes/s: one byte every 0.608 ms. The echo (4 bytes) leaves at
        // once, the answer (14 bytes) from 5 ms on.
        SimBench b({.pace = true});
        b.ports.a.write(framed(Slot0));
        b.station->poll();
        QVERIFY(b.ports.a.readAll().isEmpty());
        const double start = b.clock.now();
        for (auto [elapsed, bytes] : {std::pair{0.002, 3}, {0.0055, 4}, {0.0075, 8}, {0.014, 18}}) {
            b.clock.set(start + elapsed);
            b.station->poll();
            QCOMPARE(int(b.ports.a.bytesAvailable()), bytes);
        }
    }

    void events_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("wire");
        using S = VirtualStation;
        using D = sim::KennixDirection;
        const auto row = [](const char* name, const QString& wire, const Action& action) {
            QTest::newRow(name) << action << wire;
        };
        row("sensor 12 occupied", "B2 05 70", [](S& s) { s.setSensor(12, true); });
        row("sensor 1 free", "B2 00 40", [](S& s) { s.setSensor(1, false); });
        row("sensor 4096", "B2 7F 7F", [](S& s) { s.setSensor(4096, true); });
        row("accessory 2048 red", "B0 7F 1F|B0 7F 0F",
            [](S& s) { s.switchAccessory(2048, false); });
        row("power off", "82", [](S& s) { s.setPower(false); });
        row("Kennix loco", "E4 08 02 41 05 00 2A",
            [](S& s) { s.kennixLoco(133, 42, 3, D::S1toS2); });
        row("Kennix long loco, no direction", "E4 08 00 0F 7F 07 68",
            [](S& s) { s.kennixLoco(2047, 1000, 1, D::None); });
        row("Kennix speed", "E4 08 00 20 05 01 10", [](S& s) { s.kennixSpeed(5, 144); });
        row("Kennix clear", "E4 08 01 20 05 00 02", [](S& s) { s.kennixClear(5); });
        // Another throttle takes a slot for loco 78 first.
        const QString slot78 = "BF 00 4E|" + slotData("01 10 4E") + "|";
        row("throttle with a slot", slot78 + "A0 01 28|A1 01 30",
            [](S& s) { s.throttleSpeed(78, 40), s.throttleDirf(78, 0x30); });
        row("throttle's F1 keeps direction and light", slot78 + "A1 01 30|A1 01 31",
            [](S& s) { s.throttleDirf(78, 0x30), s.throttleFunction(78, 1, true); });
        row("throttle's F6 on and off in the sound byte", slot78 + "A2 01 02|A2 01 00",
            [](S& s) { s.throttleFunction(78, 6, true), s.throttleFunction(78, 6, false); });
        row("no such Pultrix", "", [](S& s) { QVERIFY(!s.announcePultrix(5)); });
    }

    void events()
    {
        QFETCH(Action, action);
        QFETCH(QString, wire);
        SimBench b;
        action(*b.station);
        QCOMPARE(ln::hex(b.run(1.0)), ln::hex(framedAll(wire)));
    }

    void demoRepeatsExactly()
    {
        SimBench one, two;
        one.station->setupDemo();
        two.station->setupDemo();
        const QByteArray a = one.run(65);
        QCOMPARE(a, two.run(65));
        QVERIFY(checksumsOk(a));
    }

    void traceLinesFollowTheWire()
    {
        SimBench b;
        QStringList lines;
        b.station->setMonitor([&](double t, bool out, const QByteArray& m) {
            lines << ln::TraceWriter::format(t, out ? ln::Traffic::Tx : ln::Traffic::Rx, m);
        });
        b.clock.advance(2.0);
        b.ports.a.write(framed(Slot0));
        b.station->poll();
        b.clock.advance(0.005);
        b.station->poll();
        QCOMPARE(lines, (QStringList{"    2.000  RX  BB 00 00 44", "    2.000  TX  BB 00 00 44",
                                     "    2.005  TX  E7 0E 00 00 00 03 00 07 00 00 00 5A 56 1E"}));
    }

    void floodReadAtOnceIsEchoedAndAnsweredInOrder()
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

    void pacedQueueDropsWhatExceedsItsBound()
    {
        SimBench b({.pace = true});
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

    // The real serial path: the station on the master side of a
    // pseudo-terminal, the program's SerialPort on the slave side.
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

QTEST_GUILESS_MAIN(TestSimStation)
#include "tst_sim_station.moc"
