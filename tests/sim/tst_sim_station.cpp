// The virtual station's answers, its echo and timing, and the events it
// plays for other devices, byte for byte on the wire.

#include "loconet/trace.h"
#include "sim_bench.h"

#include <QtTest>
#include <functional>

using sim::VirtualStation;
using Action = std::function<void(VirtualStation&)>;
Q_DECLARE_METATYPE(Action)

namespace {
const QString Loco3 = "BF 00 03";
const QString PowerOff = "82", PowerOn = "83";
const QString Slot0 = "BB 00 00";
QString cmd(const QString& rest)
{
    return "ED 0F 01 5A 56 " + rest;
}
} // namespace

class TestSimStation : public QObject {
    Q_OBJECT
  private slots:
    void answers_data();
    void answers();
    void fullTableRefuses_data();
    void fullTableRefuses();
    void echoesExactlyWhatItHears_data();
    void echoesExactlyWhatItHears();
    void answerWaitsForItsDelay();
    void pacesAtWireRate_data();
    void pacesAtWireRate();
    void events_data();
    void events();
    void eventsChangeTheStationsState();
    void demoRepeatsExactly();
    void demoPultrixDrivesItsLoco();
    void traceLinesFollowTheWire();
};

void TestSimStation::answers_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("request");
    QTest::addColumn<QString>("answer"); // messages separated by |, empty = none

    const QString type1 = "E7 0E 00 00 00 02 00 %1 00 00 00 5A 56";
    const QString type2 = "E7 0E 00 00 00 03 00 %1 00 00 00 5A 56";
    const QString type3 = "E7 0E 00 02 42 03 00 %1 00 00 15 5A 56";
    QTest::newRow("slot 0 type 1") << 1 << QStringList{} << Slot0 << type1.arg("07");
    QTest::newRow("slot 0 type 1 off") << 1 << QStringList{PowerOff} << Slot0 << type1.arg("06");
    QTest::newRow("slot 0 type 2") << 2 << QStringList{} << Slot0 << type2.arg("07");
    QTest::newRow("slot 0 type 2 off") << 2 << QStringList{PowerOff} << Slot0 << type2.arg("06");
    QTest::newRow("slot 0 type 3") << 3 << QStringList{} << Slot0 << type3.arg("07");
    QTest::newRow("slot 0 type 3 off") << 3 << QStringList{PowerOff} << Slot0 << type3.arg("06");
    QTest::newRow("power back on")
        << 2 << QStringList{PowerOff, PowerOn} << Slot0 << type2.arg("07");
    QTest::newRow("power has no answer") << 2 << QStringList{} << PowerOff << "";

    const QString loco3 = "E7 0E 01 10 03 00 00 07 00 00 00 00 00";
    QTest::newRow("loco request BF") << 2 << QStringList{} << Loco3 << loco3;
    QTest::newRow("loco request BE") << 3 << QStringList{} << "BE 00 03" << loco3;
    QTest::newRow("BE unknown to type 1") << 1 << QStringList{} << "BE 00 03"
                                          << "";
    QTest::newRow("address 200") << 2 << QStringList{} << "BF 01 48"
                                 << "E7 0E 01 10 48 00 00 07 00 01 00 00 00";
    QTest::newRow("next address next slot") << 2 << QStringList{Loco3} << "BF 00 05"
                                            << "E7 0E 02 10 05 00 00 07 00 00 00 00 00";
    QTest::newRow("same address same slot")
        << 2 << QStringList{Loco3, "BF 00 05"} << Loco3 << loco3;
    QTest::newRow("DCC 128 in slot status")
        << 2 << QStringList{cmd("0C 00 05 00 53 00 00 00 00")} << "BF 00 05"
        << "E7 0E 01 13 05 00 00 07 00 00 00 00 00";
    QTest::newRow("speed, dirf, snd kept")
        << 2 << QStringList{Loco3, "A0 01 20", "A1 01 30", "A2 01 05"} << "BB 01 00"
        << "E7 0E 01 10 03 20 30 07 00 00 05 00 00";
    QTest::newRow("no such slot") << 2 << QStringList{} << "BB 7C 00"
                                  << "B4 3B 00";
    QTest::newRow("slot status has no answer") << 2 << QStringList{Loco3} << "B5 01 13"
                                               << "";
    QTest::newRow("freed slot is reused") << 2 << QStringList{Loco3, "B5 01 00"} << "BF 00 05"
                                          << "E7 0E 01 10 05 00 00 07 00 00 00 00 00";
    QTest::newRow("null move takes slot") << 2 << QStringList{Loco3} << "BA 01 01"
                                          << "E7 0E 01 30 03 00 00 07 00 00 00 00 00";
    QTest::newRow("dispatch put") << 2 << QStringList{Loco3, "B5 01 30"} << "BA 01 00" << loco3;
    QTest::newRow("dispatch get") << 2 << QStringList{Loco3, "BA 01 00"} << "BA 00 00"
                                  << "E7 0E 01 30 03 00 00 07 00 00 00 00 00";
    QTest::newRow("dispatch get, none put") << 2 << QStringList{} << "BA 00 00"
                                            << "B4 3A 00";
    QTest::newRow("move of a free slot") << 2 << QStringList{} << "BA 05 05"
                                         << "B4 3A 00";
    QTest::newRow("move to a free slot") << 2 << QStringList{Loco3} << "BA 01 07"
                                         << "E7 0E 07 10 03 00 00 07 00 00 00 00 00";

    QTest::newRow("never switched is red") << 2 << QStringList{} << "BC 04 00"
                                           << "B4 3C 50";
    QTest::newRow("switched green") << 2 << QStringList{"B0 04 30"} << "BC 04 00"
                                    << "B4 3C 30";
    QTest::newRow("switched back red") << 2 << QStringList{"B0 04 30", "B0 04 10"} << "BC 04 00"
                                       << "B4 3C 50";
    QTest::newRow("off message moves nothing") << 2 << QStringList{"B0 04 20"} << "BC 04 00"
                                               << "B4 3C 50";
    QTest::newRow("accessory 2048") << 2 << QStringList{"B0 7F 3F"} << "BC 7F 0F"
                                    << "B4 3C 30";
    QTest::newRow("switch has no answer") << 2 << QStringList{} << "B0 04 30"
                                          << "";

    QTest::newRow("serial number") << 2 << QStringList{} << cmd("07 00 00 00 00 00 00 00 00")
                                   << "E5 0F 01 5A 56 09 10 12 34 56 78 10 00 00";
    QTest::newRow("version 2.000") << 2 << QStringList{} << cmd("06 00 00 00 00 00 00 00 00")
                                   << "E5 0F 01 5A 56 08 00 00 20 00 00 00 00 00";
    QTest::newRow("version 1.550") << 1 << QStringList{} << cmd("06 00 00 00 00 00 00 00 00")
                                   << "E5 0F 01 5A 56 08 00 50 15 00 00 00 00 00";
    QTest::newRow("option read") << 2 << QStringList{} << cmd("02 00 0E 00 00 00 00 00 00")
                                 << "E5 0F 01 5A 56 00 00 0E 00 14 00 00 00 00";
    QTest::newRow("option 255 written and read")
        << 2 << QStringList{cmd("01 04 05 00 7F 00 00 00 00")} << cmd("02 00 05 00 00 00 00 00 00")
        << "E5 0F 01 5A 56 00 04 05 00 7F 00 00 00 00";
    QTest::newRow("option write") << 2 << QStringList{} << cmd("01 00 0E 00 1E 00 00 00 00")
                                  << "B4 6D 7F";
    QTest::newRow("unknown option read")
        << 2 << QStringList{} << cmd("02 01 48 00 00 00 00 00 00") << "B4 6D 00";
    QTest::newRow("unknown option write")
        << 2 << QStringList{} << cmd("01 01 48 00 01 00 00 00 00") << "B4 6D 00";
    QTest::newRow("format read") << 2 << QStringList{} << cmd("0D 00 03 00 00 00 00 00 00")
                                 << "E5 0F 01 5A 56 0B 00 03 00 12 00 00 00 00";
    QTest::newRow("format read address 200")
        << 2 << QStringList{} << cmd("0D 01 48 00 00 00 00 00 00")
        << "E5 0F 01 5A 56 0B 01 48 00 12 00 00 00 00";
    QTest::newRow("format written and read")
        << 2 << QStringList{cmd("0C 00 03 00 53 05 00 00 00")} << cmd("0D 00 03 00 00 00 00 00 00")
        << "E5 0F 01 5A 56 0B 00 03 00 13 05 00 00 00";
    QTest::newRow("format write") << 2 << QStringList{} << cmd("0C 00 03 00 52 00 00 00 00")
                                  << "B4 6D 7F";
    QTest::newRow("no such format")
        << 2 << QStringList{} << cmd("0C 00 03 00 45 00 00 00 00") << "B4 6D 00";
    QTest::newRow("option 10 is the default format")
        << 2 << QStringList{cmd("01 00 0A 00 06 00 00 00 00")} << cmd("0D 00 03 00 00 00 00 00 00")
        << "E5 0F 01 5A 56 0B 00 03 00 13 00 00 00 00";
    QTest::newRow("reset configuration")
        << 2 << QStringList{cmd("01 00 0E 00 1E 00 00 00 00"), cmd("18 00 00 00 00 00 00 00 00")}
        << cmd("02 00 0E 00 00 00 00 00 00") << "E5 0F 01 5A 56 00 00 0E 00 14 00 00 00 00";
    QTest::newRow("reset loco formats")
        << 2 << QStringList{cmd("0C 00 03 00 53 00 00 00 00"), cmd("18 00 01 00 00 00 00 00 00")}
        << cmd("0D 00 03 00 00 00 00 00 00") << "E5 0F 01 5A 56 0B 00 03 00 12 00 00 00 00";
    QTest::newRow("reset has no answer")
        << 2 << QStringList{} << cmd("18 00 00 00 00 00 00 00 00") << "";
}

void TestSimStation::answers()
{
    QFETCH(int, type);
    QFETCH(QStringList, before);
    QFETCH(QString, request);
    QFETCH(QString, answer);
    sim::StationOptions o;
    o.stationType = type;
    SimBench b(o);
    b.prepare(before);
    const QByteArray wire = b.talk(request);
    QCOMPARE(ln::hex(wire), ln::hex(framed(request) + framedAll(answer)));
    QVERIFY(checksumsOk(wire));
}

void TestSimStation::fullTableRefuses_data()
{
    QTest::addColumn<int>("opcode");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("BF") << 0xBF << "B4 3F 00";
    QTest::newRow("BE") << 0xBE << "B4 3E 00";
}

void TestSimStation::fullTableRefuses()
{
    QFETCH(int, opcode);
    QFETCH(QString, refusal);
    SimBench b;
    const auto request = [&](int address) {
        return QString::number(opcode, 16) +
               QString::asprintf(" %02X %02X", address >> 7, address & 0x7F);
    };
    for (int address = 1; address <= 119; ++address)
        b.talk(request(address), 0.01);
    QCOMPARE(ln::hex(b.talk(request(120))), ln::hex(framed(request(120)) + framed(refusal)));
    // A loco that has its slot still gets it.
    QCOMPARE(ln::hex(b.talk(request(119)).mid(4)),
             ln::hex(framed("E7 0E 77 10 77 00 00 07 00 00 00 00 00")));
}

void TestSimStation::echoesExactlyWhatItHears_data()
{
    QTest::addColumn<QString>("heard");
    QTest::addColumn<QString>("echoed");
    QTest::newRow("bad checksum: echo, no answer") << "BB 00 00 00"
                                                   << "BB 00 00 00";
    QTest::newRow("stray data bytes dropped") << "12 34 82 7D"
                                              << "82 7D";
    QTest::newRow("unfinished message dropped") << "B2 12 82 7D"
                                                << "82 7D";
    QTest::newRow("impossible length dropped") << "E7 00 01 02 82 7D"
                                               << "82 7D";
    QTest::newRow("two at once, in order") << "82 7D 83 7C"
                                           << "82 7D 83 7C";
}

void TestSimStation::echoesExactlyWhatItHears()
{
    QFETCH(QString, heard);
    QFETCH(QString, echoed);
    SimBench b;
    b.ports.a.write(QByteArray::fromHex(heard.toLatin1()));
    QCOMPARE(ln::hex(b.run(1.0)), ln::hex(QByteArray::fromHex(echoed.toLatin1())));
}

void TestSimStation::answerWaitsForItsDelay()
{
    sim::StationOptions o;
    o.answerDelay = 0.2;
    SimBench b(o);
    // A message that arrives in two pieces is answered once it is whole.
    b.ports.a.write(QByteArray::fromHex("BB00"));
    QVERIFY(b.run(0.05).isEmpty());
    b.ports.a.write(QByteArray::fromHex("0044"));
    QCOMPARE(ln::hex(b.run(0.19)), ln::hex(framed(Slot0)));
    QCOMPARE(ln::hex(b.run(0.02)), ln::hex(framed("E7 0E 00 00 00 03 00 07 00 00 00 5A 56")));
}

void TestSimStation::pacesAtWireRate_data()
{
    // 1645.7 bytes/s: one byte every 0.608 ms. The echo (4 bytes) leaves at
    // once, the answer (14 bytes) from 5 ms on.
    QTest::addColumn<double>("elapsed");
    QTest::addColumn<int>("bytes");
    QTest::newRow("first byte") << 0.0007 << 1;
    QTest::newRow("echo under way") << 0.002 << 3;
    QTest::newRow("echo done, answer waits") << 0.0055 << 4;
    QTest::newRow("answer under way") << 0.0075 << 8;
    QTest::newRow("all") << 0.014 << 18;
}

void TestSimStation::pacesAtWireRate()
{
    QFETCH(double, elapsed);
    QFETCH(int, bytes);
    sim::StationOptions o;
    o.pace = true;
    SimBench b(o);
    b.ports.a.write(framed(Slot0));
    b.station->poll();
    QVERIFY(b.ports.a.readAll().isEmpty());
    b.clock.advance(elapsed);
    b.station->poll();
    QCOMPARE(int(b.ports.a.bytesAvailable()), bytes);
}

void TestSimStation::events_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<QString>("wire");
    using S = VirtualStation;
    using D = sim::KennixDirection;
    QTest::newRow("sensor 12 occupied")
        << Action([](S& s) { s.setSensor(12, true); }) << "B2 05 70";
    QTest::newRow("sensor 1 free") << Action([](S& s) { s.setSensor(1, false); }) << "B2 00 40";
    QTest::newRow("sensor 4096") << Action([](S& s) { s.setSensor(4096, true); }) << "B2 7F 7F";
    QTest::newRow("accessory 20 green")
        << Action([](S& s) { s.switchAccessory(20, true); }) << "B0 13 30|B0 13 20";
    QTest::newRow("accessory 2048 red")
        << Action([](S& s) { s.switchAccessory(2048, false); }) << "B0 7F 1F|B0 7F 0F";
    QTest::newRow("power off") << Action([](S& s) { s.setPower(false); }) << "82";
    QTest::newRow("Kennix loco") << Action([](S& s) { s.kennixLoco(133, 42, 3, D::S1toS2); })
                                 << "E4 08 02 41 05 00 2A";
    QTest::newRow("Kennix long loco, no direction")
        << Action([](S& s) { s.kennixLoco(2047, 1000, 1, D::None); }) << "E4 08 00 0F 7F 07 68";
    QTest::newRow("Kennix speed") << Action([](S& s) { s.kennixSpeed(5, 144); })
                                  << "E4 08 00 20 05 01 10";
    QTest::newRow("Kennix clear") << Action([](S& s) { s.kennixClear(5); })
                                  << "E4 08 01 20 05 00 02";
    QTest::newRow("throttle asks for its loco first")
        << Action([](S& s) { s.throttleSpeed(78, 40); })
        << "BF 00 4E|E7 0E 01 10 4E 00 00 07 00 00 00 00 00|A0 01 28";
    QTest::newRow("throttle with a slot")
        << Action([](S& s) { s.throttleSpeed(78, 40), s.throttleDirf(78, 0x30); })
        << "BF 00 4E|E7 0E 01 10 4E 00 00 07 00 00 00 00 00|A0 01 28|A1 01 30";
    QTest::newRow("throttle's F1 keeps direction and light")
        << Action([](S& s) { s.throttleDirf(78, 0x30), s.throttleFunction(78, 1, true); })
        << "BF 00 4E|E7 0E 01 10 4E 00 00 07 00 00 00 00 00|A1 01 30|A1 01 31";
    QTest::newRow("throttle's F6 on and off in the sound byte")
        << Action([](S& s) { s.throttleFunction(78, 6, true), s.throttleFunction(78, 6, false); })
        << "BF 00 4E|E7 0E 01 10 4E 00 00 07 00 00 00 00 00|A2 01 02|A2 01 00";
    QTest::newRow("Pultrix announcement") << Action([](S& s) {
        s.lncvModules().add(sim::LncvModule::make(sim::PultrixArticle, 5));
        QVERIFY(s.announcePultrix(5));
    }) << "E5 0F 05 00 00 1F 01 35 1B 00 00 05 00 00";
    QTest::newRow("no such Pultrix") << Action([](S& s) { QVERIFY(!s.announcePultrix(5)); }) << "";
}

void TestSimStation::events()
{
    QFETCH(Action, action);
    QFETCH(QString, wire);
    SimBench b;
    action(*b.station);
    const QByteArray out = b.run(1.0);
    QCOMPARE(ln::hex(out), ln::hex(framedAll(wire)));
    QVERIFY(checksumsOk(out));
}

void TestSimStation::eventsChangeTheStationsState()
{
    SimBench b;
    b.station->switchAccessory(5, true);
    b.station->setSensor(12, true);
    b.station->setPower(false);
    b.run(0.1);
    QCOMPARE(b.station->accessoryState(5), 1);
    QCOMPARE(b.station->sensorState(12), 1);
    QCOMPARE(b.station->sensorState(11), -1);
    QCOMPARE(ln::hex(b.talk("BC 04 00").mid(4)), ln::hex(framed("B4 3C 30")));
    QCOMPARE(ln::hex(b.talk(Slot0).mid(4)),
             ln::hex(framed("E7 0E 00 00 00 03 00 06 00 00 00 5A 56")));
}

void TestSimStation::demoRepeatsExactly()
{
    SimBench one, two;
    one.station->setupDemo();
    two.station->setupDemo();
    const QByteArray a = one.run(65), b = two.run(65);
    QCOMPARE(a, b);
    QVERIFY(checksumsOk(a));
    // Sensors and Kennix reports every cycle; the Pultrix device announces itself once.
    QVERIFY(a.count(framed("B2 00 50")) >= 2);
    QVERIFY(a.count(framed("E4 08 00 40 01 00 03")) >= 2);
    QCOMPARE(a.count(framed("E5 0F 05 00 00 1F 01 35 1B 00 00 05 00 00")), 1);
}

void TestSimStation::demoPultrixDrivesItsLoco()
{
    SimBench b;
    b.station->setupDemo();
    b.run(12);                                           // device 5 has announced itself
    b.talk("ED 0F 01 05 00 20 01 35 1B 0A 00 4E 00 00"); // gets loco 78
    const QByteArray a = b.run(30);
    // Loco 78 has slot 2: device 5 drives it, then device 6 announces itself.
    QVERIFY(a.contains(framed("A0 02 32")));
    QVERIFY(a.contains(framed("A1 02 12")));
    QCOMPARE(a.count(framed("E5 0F 05 00 00 1F 01 35 1B 00 00 06 00 00")), 1);
}

void TestSimStation::traceLinesFollowTheWire()
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

QTEST_GUILESS_MAIN(TestSimStation)
#include "tst_sim_station.moc"
