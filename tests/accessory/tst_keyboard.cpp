#include "support/rig.h"
#include "support/scripted_station.h"

#include <QSignalSpy>
#include <QtTest>

class TestKeyboard : public QObject {
    Q_OBJECT
  private slots:
    void pollColoursThePage_data();
    void pollColoursThePage();
    void silentStationEndsThePoll();
};

// Answer code of the station to every query, and the colour it gives.
void TestKeyboard::pollColoursThePage_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("colour"); // -1: the indicator is left as it is
    QTest::newRow("30 green") << 0x30 << colour::Green;
    QTest::newRow("50 red") << 0x50 << colour::Red;
    QTest::newRow("10 unchanged") << 0x10 << -1;
}

void TestKeyboard::pollColoursThePage()
{
    QFETCH(int, code);
    QFETCH(int, colour);
    Rig rig;
    ScriptedStation station(rig.bus);
    station.switchState = code;
    rig.station = [&] { station.poll(); };
    Keyboard& kb = rig.core->keyboard;
    QSignalSpy anz(&kb, &Keyboard::kb_anz);
    kb.KeybBase = 16; // second page: addresses 16..31
    kb.poll_page();
    rig.run(1);
    QStringList expected;
    for (int a = 16; a < 32; ++a)
        expected << ln::hex(ln::frame({0xBC, a, 0}));
    QCOMPARE(station.heard, expected);
    QCOMPARE(rig.core->req.ReqJob, 0);
    QCOMPARE(anz.size(), colour < 0 ? 0 : 16);
    if (colour >= 0) {
        QCOMPARE(anz[5][0].toInt(), 5);
        QCOMPARE(anz[5][1].toInt(), colour);
    }
    QVERIFY(rig.shown.isEmpty());
}

void TestKeyboard::silentStationEndsThePoll()
{
    Rig rig;
    ScriptedStation station(rig.bus);
    station.switchState = 0;
    rig.station = [&] { station.poll(); };
    rig.core->keyboard.poll_page();
    rig.run(2.0);
    QCOMPARE(rig.core->req.ReqJob, 1); // 2 s are not yet over
    rig.run(0.1);
    QCOMPARE(rig.texts(), QStringList{"Keine Antwort auf Mag.Art.Abfrage erhalten!"});
    QCOMPARE(rig.shown[0].title, QString("Fehler"));
    QCOMPARE(station.heard.size(), 1); // the rest of the page is not queried
}

QTEST_GUILESS_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
