#include "support/rig.h"

#include <QtTest>

namespace {
QByteArray hexBytes(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// Records every dispatched message of the given opcodes.
struct Recorder {
    QStringList seen;
    Recorder(Rig& rig, std::initializer_list<int> ops)
    {
        for (int op : ops)
            rig.core->dispatch.on(uint8_t(op),
                                  [this](const ln::Msg& m) { seen << ln::hex(m.bytes()); });
    }
};
} // namespace

class TestLink : public QObject {
    Q_OBJECT
  private slots:
    void assembly_data();
    void assembly();
    void fullRingReplacesNewestWaiting();
    void burstBetweenTicksIsNotLost();
    void echoFreesBufferInSameTick();
    void otherMessageIsNotTheEcho();
    void echoTimeout_data();
    void echoTimeout();
    void ctsPacedSending();
    void ctsStuckOffGivesUp();
    void longAckOnlyRightAfterEcho_data();
    void longAckOnlyRightAfterEcho();
    void longAckTexts_data();
    void longAckTexts();
    void hexText_data();
    void hexText();
};

// Bytes as they arrive from the port, and the messages the dispatch sees.
void TestLink::assembly_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("data byte before any opcode") << hexBytes("12 34 82 7D") << QStringList{"82 7D"};
    QTest::newRow("new opcode abandons message")
        << hexBytes("B2 12 34 82 7D") << QStringList{"82 7D"};
    const char* slot = "E7 0E 03 00 05 00 20 07 00 00 00 00 00 0F";
    QTest::newRow("slot data complete after 14 bytes") << hexBytes(slot) << QStringList{slot};
    QTest::newRow("length byte 0 ignored to next opcode")
        << hexBytes("E7 00 03 00 05 83 7C") << QStringList{"83 7C"};
    QTest::newRow("length byte above 64 ignored")
        << hexBytes("E7 41 03 00 05 83 7C") << QStringList{"83 7C"};
    QByteArray endless = hexBytes("E7 01");
    endless.append(200, '\x11');
    endless += hexBytes("82 7D");
    QTest::newRow("length 1 never completes") << endless << QStringList{"82 7D"};
    QTest::newRow("split over two reads")
        << hexBytes("B2 05 30 7A B2 05") << QStringList{"B2 05 30 7A"};
}

void TestLink::assembly()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, messages);
    Rig rig;
    Recorder rec(rig, {0x82, 0x83, 0xB2, 0xE7});
    rig.sendRaw(bytes);
    rig.tick();
    QCOMPARE(rec.seen, messages);
}

void TestLink::fullRingReplacesNewestWaiting()
{
    Rig rig;
    Recorder rec(rig, {0xB2});
    Link& link = rig.core->link;
    for (int s = 1; s <= 32; ++s)
        rig.send({0xB2, s, 0x10});
    QVERIFY(link.LnRxFull);
    rig.tick();
    QCOMPARE(rec.seen.size(), 31);
    QCOMPARE(rec.seen[29], ln::hex(ln::frame({0xB2, 30, 0x10})));
    QCOMPARE(rec.seen[30], ln::hex(ln::frame({0xB2, 32, 0x10}))); // the 31st was replaced
    // After a dispatch the next message gets a fresh slot again.
    rig.send({0xB2, 33, 0x10});
    QCOMPARE(link.LnRxWr, 0);
    rig.tick();
    QCOMPARE(rec.seen.last(), ln::hex(ln::frame({0xB2, 33, 0x10})));
}

void TestLink::burstBetweenTicksIsNotLost()
{
    Rig rig;
    Recorder rec(rig, {0xB2});
    QStringList expected;
    for (int chunk = 0; chunk < 4; ++chunk) {
        QByteArray burst;
        for (int k = 0; k < 25; ++k) {
            const int s = chunk * 25 + k;
            const QByteArray m = ln::frame({0xB2, s & 0x7F, 0x10 | (s >> 7)});
            burst += m;
            expected << ln::hex(m);
        }
        rig.sendRaw(burst);
        rig.tick();
    }
    QCOMPARE(rec.seen, expected);
}

void TestLink::echoFreesBufferInSameTick()
{
    Rig rig;
    Recorder rec(rig, {0x82});
    rig.core->req.post(3);
    rig.tick();
    QCOMPARE(rig.takeWire(), QString("82 7D"));
    QVERIFY(rig.core->link.LnTxSent);
    rig.echo();
    rig.tick();
    QCOMPARE(rig.core->link.LnTxLast, -1);
    QVERIFY(!rig.core->link.LnTxSent);
    QCOMPARE(rec.seen, QStringList{"82 7D"}); // also dispatched like any message
}

void TestLink::otherMessageIsNotTheEcho()
{
    Rig rig;
    rig.core->link.put({0xB0, 0x13, 0x30});
    rig.tick();
    rig.send({0xB0, 0x13, 0x20});
    rig.tick();
    QVERIFY(rig.core->link.LnTxSent);
    QCOMPARE(rig.core->link.LnTxLast, 2);
    rig.echo();
    rig.tick();
    QCOMPARE(rig.core->link.LnTxLast, -1);
}

void TestLink::echoTimeout_data()
{
    QTest::addColumn<double>("wait");
    QTest::addColumn<bool>("givenUp");
    QTest::newRow("2.99 s") << 2.99 << false;
    QTest::newRow("exactly 3 s") << 3.0 << false;
    QTest::newRow("3.01 s") << 3.01 << true;
}

void TestLink::echoTimeout()
{
    QFETCH(double, wait);
    QFETCH(bool, givenUp);
    Rig rig;
    rig.core->link.put({0x83});
    rig.tick();
    rig.clock.advance(wait);
    rig.tick();
    QCOMPARE(rig.core->link.txFree(), givenUp);
    QCOMPARE(rig.shown.size(), givenUp ? 1 : 0);
    if (givenUp) {
        QCOMPARE(rig.shown[0].title, QString("LocoNet Fehler"));
        QCOMPARE(rig.shown[0].text, QString("Message kann nicht gesendet werden!"));
        QCOMPARE(rig.shown[0].icon, MsgIcon::Critical);
        QVERIFY(rig.core->link.put({0x82})); // the next message can go
    }
}

void TestLink::ctsPacedSending()
{
    Rig rig(1);
    rig.port.setCts(false);
    rig.core->link.put({0xBB, 0x00, 0x00});
    rig.tick();
    QCOMPARE(rig.takeWire(), QString());
    rig.port.setCts(true);
    rig.clock.advance(1.0);
    rig.tick();
    QCOMPARE(rig.takeWire(), QString("BB 00 00 44"));
    QVERIFY(rig.core->link.LnTxSent);
    rig.echo();
    rig.tick();
    QVERIFY(rig.core->link.txFree());
}

void TestLink::ctsStuckOffGivesUp()
{
    Rig rig(1);
    rig.port.setCts(false);
    rig.core->link.put({0x82});
    rig.tick();
    rig.clock.advance(3.0);
    rig.tick();
    QVERIFY(!rig.core->link.txFree());
    rig.clock.advance(0.01);
    rig.tick();
    QVERIFY(rig.core->link.txFree());
    QCOMPARE(rig.texts(), QStringList{"Message kann nicht gesendet werden!"});
    QCOMPARE(rig.takeWire(), QString());
}

// What arrives after the echo of a switch request; whether the
// "not processed" box is shown.
void TestLink::longAckOnlyRightAfterEcho_data()
{
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<bool>("shown");
    const QByteArray ack = ln::frame({0xB4, 0x30, 0x00});
    QTest::newRow("right after the echo") << ack << true;
    QTest::newRow("busy message in between") << ln::frame({0x81}) + ack << true;
    QTest::newRow("second message after the echo") << ln::frame({0xB2, 1, 0x10}) + ack << false;
}

void TestLink::longAckOnlyRightAfterEcho()
{
    QFETCH(QByteArray, after);
    QFETCH(bool, shown);
    Rig rig;
    rig.core->link.put({0xB0, 0x13, 0x30});
    rig.tick();
    rig.echo();
    rig.sendRaw(after);
    rig.tick();
    QCOMPARE(rig.texts(),
             shown ? QStringList{"Mag.Art.Message wurde nicht bearbeitet"} : QStringList{});
}

void TestLink::longAckTexts_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("ack");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("lackCode");
    auto cmd = [](int c, int sig0 = 0x5A, int sig1 = 0x56) {
        return QByteArray::fromHex("ED0F01") + char(sig0) + char(sig1) + char(c) + QByteArray(8, 0);
    };
    const QByteArray b0 = hexBytes("B0 13 30"), bc = hexBytes("BC 04 00"),
                     bf = hexBytes("BF 00 03");
    QTest::newRow("B0 refused") << b0 << hexBytes("B4 30 00")
                                << "Mag.Art.Message wurde nicht bearbeitet" << -1;
    QTest::newRow("B0 odd answer")
        << b0 << hexBytes("B4 31 00") << "ungültige Antwort auf B0!" << -1;
    QTest::newRow("BC state") << bc << hexBytes("B4 3C 30") << "" << -1;
    QTest::newRow("BC odd answer")
        << bc << hexBytes("B4 3D 30") << "ungültige Antwort auf BC!" << -1;
    QTest::newRow("BF no slot 3F")
        << bf << hexBytes("B4 3F 00") << "Lok konnte nicht angemeldet werden!" << -1;
    QTest::newRow("BF no slot 3E")
        << bf << hexBytes("B4 3E 00") << "Lok konnte nicht angemeldet werden!" << -1;
    QTest::newRow("BF odd answer")
        << bf << hexBytes("B4 30 00") << "ungültige Antwort auf BF!" << -1;
    QTest::newRow("BE not acknowledged")
        << hexBytes("BE 00 03") << hexBytes("B4 3E 00") << "" << -1;
    QTest::newRow("SO write ok") << cmd(1) << hexBytes("B4 6D 7F") << "" << 0x7F;
    QTest::newRow("SO write refused")
        << cmd(1) << hexBytes("B4 6D 00") << "Fehler: SO schreiben" << 0;
    QTest::newRow("SO read refused") << cmd(2) << hexBytes("B4 6D 01") << "Fehler: SO lesen" << 1;
    QTest::newRow("format write refused")
        << cmd(12) << hexBytes("B4 6D 00") << "Fehler: Lokdatenformat schreiben" << 0;
    QTest::newRow("format read refused")
        << cmd(13) << hexBytes("B4 6D 00") << "Fehler: Lokdatenformat lesen" << 0;
    QTest::newRow("format read ok") << cmd(13) << hexBytes("B4 6D 7F") << "" << 0x7F;
    QTest::newRow("LNCV read any code")
        << cmd(33, 5, 0) << hexBytes("B4 6D 7F") << "Fehler: LNCV lesen" << 0x7F;
    QTest::newRow("LNCV write code") << cmd(32, 5, 0) << hexBytes("B4 6D 02") << "" << 2;
    QTest::newRow("ED other opcode") << cmd(1) << hexBytes("B4 6C 00") << "" << -1;
}

void TestLink::longAckTexts()
{
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, ack);
    QFETCH(QString, text);
    QFETCH(int, lackCode);
    Rig rig;
    int answered = -1;
    rig.core->dispatch.sw_state_answer = [&](const ln::Msg& m) { answered = m[2]; };
    rig.core->dispatch.LackCode = -1;
    rig.core->req.RawText = ln::hex(sent);
    rig.core->req.post(40);
    rig.tick();
    rig.echo();
    rig.sendRaw(ln::frame(ack));
    rig.tick();
    QCOMPARE(rig.texts(), text.isEmpty() ? QStringList{} : QStringList{text});
    if (!text.isEmpty()) {
        QCOMPARE(rig.shown[0].title, QString("LocoNet Fehler"));
        QCOMPARE(rig.shown[0].icon, MsgIcon::Critical);
    }
    QCOMPARE(rig.core->dispatch.LackCode, lackCode);
    QCOMPARE(answered, QTest::currentDataTag() == QByteArray("BC state") ? 0x30 : -1);
}

void TestLink::hexText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("buffer"); // bytes before the checksum; empty = nothing sent
    QTest::addColumn<QString>("message");
    QTest::newRow("several blanks") << "BB  00 00"
                                    << "BB 00 00"
                                    << "";
    QTest::newRow("leading and trailing blanks") << "  82 "
                                                 << "82"
                                                 << "";
    QTest::newRow("lower case") << "bb 0a 1"
                                << "BB 0A 01"
                                << "";
    QTest::newRow("non-hex token reads 0") << "B2 ZZ 10"
                                           << "B2 00 10"
                                           << "";
    QTest::newRow("leading zeros") << "0B2 000"
                                   << "B2 00"
                                   << "";
    QTest::newRow("value above FF refused")
        << "B2 100 10"
        << ""
        << "Der Wert 100 ist größer als FF; die Nachricht wird nicht gesendet.";
    QTest::newRow("huge value refused")
        << "B2 123456789ABCDEF0123"
        << ""
        << "Der Wert 123456789ABCDEF0123 ist größer als FF; die Nachricht wird nicht gesendet.";
    QString many = "E0";
    for (int i = 1; i < 64; ++i)
        many += " 00";
    QTest::newRow("64 values") << many << many << "";
    QTest::newRow("65 values refused")
        << many + " 00"
        << ""
        << "Die Nachricht hat mehr als 64 Werte und wird nicht gesendet.";
    QTest::newRow("empty") << ""
                           << ""
                           << "";
    QTest::newRow("blanks only") << "   "
                                 << ""
                                 << "";
}

void TestLink::hexText()
{
    QFETCH(QString, text);
    QFETCH(QString, buffer);
    QFETCH(QString, message);
    Rig rig;
    Link& link = rig.core->link;
    QCOMPARE(link.hex_to_tx(text), !buffer.isEmpty());
    QCOMPARE(link.LnTxLast, buffer.isEmpty() ? -1 : int(buffer.split(' ').size()) - 1);
    if (!buffer.isEmpty())
        QCOMPARE(
            ln::hex(QByteArray(reinterpret_cast<const char*>(link.LnTx.data()), link.LnTxLast + 1)),
            buffer);
    QCOMPARE(rig.texts(), message.isEmpty() ? QStringList{} : QStringList{message});
}

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
