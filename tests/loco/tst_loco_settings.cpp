// A single loco's data format (jobs 48, 49) and the dispatch to a hand
// throttle (job 70): bytes on the wire, answers matched by address and
// slot, and each time-out.

#include "support/rig.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
QString withChecksum(const QString& hex)
{
    return ln::hex(ln::frame(QByteArray::fromHex(hex.toLatin1())));
}

QByteArray formatAnswer(int adr, int code, int extra)
{
    return peer_message(0x0B, {adr & 0xFF, adr >> 8, code, extra, 0, 0, 0});
}

// Sends what the program wrote, lets the bus echo it and takes the wire.
QString sendAndEcho(Rig& rig)
{
    rig.tick();
    const QString wire = rig.takeWire();
    rig.echo();
    rig.tick();
    return wire;
}
} // namespace

class TestLocoSettings : public QObject {
    Q_OBJECT
  private slots:
    void listEntries_data();
    void listEntries();
    void writeBytes_data();
    void writeBytes();
    void writeUnbindsPanelsShowingTheLoco();
    void readTakesOnlyItsAddressAndOnlyWhilePending();
    void readTimesOut();
    void dispatchMarksCommonAndMoves_data();
    void dispatchMarksCommonAndMoves();
    void dispatchTimeouts_data();
    void dispatchTimeouts();
};

void TestLocoSettings::listEntries_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("entry");
    QTest::newRow("Motorola alt") << 0 << 0;
    QTest::newRow("DCC 14") << 16 << 2;
    QTest::newRow("DCC 28") << 18 << 3;
    QTest::newRow("DCC 128") << 19 << 4;
    QTest::newRow("DCC 27 is -") << 17 << 5;
    QTest::newRow("Selectrix is -") << 8 << 5;
}

void TestLocoSettings::listEntries()
{
    QFETCH(int, code);
    QFETCH(int, entry);
    QCOMPARE(LocoSettings::entry_of_code(code), entry);
    QCOMPARE(LocoSettings::code_of_entry(entry), entry == 5 ? -1 : code + 64);
}

void TestLocoSettings::writeBytes_data()
{
    QTest::addColumn<int>("adr");
    QTest::addColumn<int>("entry");
    QTest::addColumn<int>("answeredFor"); // address of the answer read before
    QTest::addColumn<QString>("wire");
    QTest::newRow("DCC 28 for 3 with its extra byte")
        << 3 << 3 << 3 << "ED 0F 01 5A 56 0C 00 03 00 52 05 00 00 00";
    QTest::newRow("extra byte of another loco not used")
        << 3 << 3 << 4 << "ED 0F 01 5A 56 0C 00 03 00 52 00 00 00 00";
    QTest::newRow("address 200") << 200 << 4 << 200 << "ED 0F 01 5A 56 0C 01 48 00 53 05 00 00 00";
    QTest::newRow("address 16383")
        << 16383 << 0 << 16383 << "ED 0F 01 5A 56 0C 01 7F 3F 40 05 00 00 00";
}

void TestLocoSettings::writeBytes()
{
    QFETCH(int, adr);
    QFETCH(int, entry);
    QFETCH(int, answeredFor);
    QFETCH(QString, wire);
    Rig rig;
    LocoSettings& ls = rig.core->lokSettings;
    ls.read(answeredFor);
    sendAndEcho(rig);
    rig.sendRaw(formatAnswer(answeredFor, 18, 5));
    rig.tick(2);
    QVERIFY(ls.write(adr, entry));
    QCOMPARE(sendAndEcho(rig), withChecksum(wire));
    QVERIFY(!ls.write(adr, LocoSettings::NoEntry)); // "-" is never written
}

void TestLocoSettings::writeUnbindsPanelsShowingTheLoco()
{
    Rig rig;
    auto& panels = rig.core->loco.ThrLoco;
    panels[0].Adr = 3;
    panels[1].Adr = 5;
    rig.core->lokSettings.write(3, 3);
    QCOMPARE(panels[0].Adr, -1);
    QCOMPARE(panels[1].Adr, 5);
}

void TestLocoSettings::readTakesOnlyItsAddressAndOnlyWhilePending()
{
    Rig rig;
    LocoSettings& ls = rig.core->lokSettings;
    QSignalSpy shown(&ls, &LocoSettings::format_read);
    ls.read(3);
    QCOMPARE(sendAndEcho(rig), withChecksum("ED 0F 01 5A 56 0D 00 03 00 00 00 00 00 00"));
    rig.sendRaw(formatAnswer(5, 19, 0)); // a throttle's read of another loco
    rig.tick(3);
    QVERIFY(shown.isEmpty());
    rig.sendRaw(formatAnswer(3, 18, 0));
    rig.tick(3);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0][0].toInt(), 3);

    ls.read(3);
    sendAndEcho(rig);
    ls.cancel(); // window closed: the answer no longer changes it
    rig.sendRaw(formatAnswer(3, 19, 0));
    rig.tick(3);
    QCOMPARE(shown.size(), 1);
    QVERIFY(rig.core->req.idle());
}

void TestLocoSettings::readTimesOut()
{
    Rig rig;
    rig.core->lokSettings.read(3);
    sendAndEcho(rig);
    rig.run(1.98);
    QVERIFY(!rig.core->req.idle());
    rig.run(0.05);
    QVERIFY(rig.core->req.idle());
    QCOMPARE(rig.texts(), QStringList{"Keine Antwort auf LokCfg-Read erhalten!"});
}

void TestLocoSettings::dispatchMarksCommonAndMoves_data()
{
    QTest::addColumn<int>("stat");
    QTest::addColumn<QString>("status");
    QTest::newRow("in use") << 0x33 << "B5 07 13";
    QTest::newRow("idle") << 0x2B << "B5 07 1B";
    QTest::newRow("free") << 0x07 << "B5 07 17";
}

void TestLocoSettings::dispatchMarksCommonAndMoves()
{
    QFETCH(int, stat);
    QFETCH(QString, status);
    Rig rig;
    rig.core->lokDispatch.dispatch(3);
    QCOMPARE(sendAndEcho(rig), withChecksum("BF 00 03"));
    // Slot data of another loco first: the dispatch waits for loco 3's.
    rig.send({0xE7, 0x0E, 0x05, 0x33, 0x04, 0, 0, 0x07, 0, 0, 0, 0, 0});
    rig.tick(2);
    QCOMPARE(rig.takeWire(), QString());
    rig.send({0xE7, 0x0E, 0x07, stat, 0x03, 0, 0, 0x07, 0, 0, 0, 0, 0});
    rig.tick();
    QCOMPARE(sendAndEcho(rig), withChecksum(status));
    QCOMPARE(sendAndEcho(rig), withChecksum("BA 07 00"));
    rig.tick();
    QVERIFY(rig.core->req.idle());
    QCOMPARE(rig.texts(), QStringList{});
}

void TestLocoSettings::dispatchTimeouts_data()
{
    QTest::addColumn<int>("echoes"); // messages the bus echoes
    QTest::addColumn<QStringList>("boxes");
    const QString linkBox = "Message kann nicht gesendet werden!";
    const QString statusBox = "Slot Status Write konnte nicht gesendet werden!";
    QTest::newRow("no slot") << 1 << QStringList{"Keine Antwort auf Lokanfrage erhalten!"};
    QTest::newRow("status not echoed") << 1 << QStringList{linkBox, statusBox};
    QTest::newRow("move not echoed") << 2 << QStringList{linkBox, statusBox};
}

void TestLocoSettings::dispatchTimeouts()
{
    QFETCH(int, echoes);
    QFETCH(QStringList, boxes);
    Rig rig;
    rig.core->lokDispatch.dispatch(3);
    sendAndEcho(rig);
    if (boxes.size() > 1) {
        rig.send({0xE7, 0x0E, 0x07, 0x33, 0x03, 0, 0, 0x07, 0, 0, 0, 0, 0});
        rig.tick(2);
        for (int i = 1; i < echoes; ++i)
            sendAndEcho(rig);
    }
    rig.run(3.1);
    QVERIFY(rig.core->req.idle());
    QCOMPARE(rig.texts(), boxes);
}

QTEST_GUILESS_MAIN(TestLocoSettings)
#include "tst_loco_settings.moc"
