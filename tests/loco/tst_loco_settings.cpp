// A single loco's data format and the dispatch to a hand
// throttle: bytes on the wire, answers matched by address and
// slot, and each time-out.

#include "support/rig.h"

#include <QtTest>

namespace {
QByteArray formatAnswer(int adr, int code, int extra = 0)
{
    return peer_message(0x0B, {adr & 0xFF, adr >> 8, code, extra, 0, 0, 0});
}

// Sends what the program put in the buffer, lets the bus echo it; the wire.
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
    // A format code's name and speed steps, and the list entry that shows it
    // (NoEntry: the list's "-", never written); a written entry carries 64.
    void formatCodes_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("steps");
        QTest::addColumn<int>("entry");
        const std::tuple<int, const char*, int, int> rows[] = {
            {0, "Motorola alt", 14, 0}, {1, "Motorola neu", 14, 1}, {16, "DCC - 14", 14, 2},
            {17, "DCC - 27", 27, 5},    {18, "DCC - 28", 28, 3},    {19, "DCC - 128", 128, 4},
            {8, "Selectrix", 31, 5},    {24, "FMZ", 15, 5},         {5, " - ", 0, 5}};
        for (auto [code, name, steps, entry] : rows)
            QTest::addRow("%d", code) << code << QString(name) << steps << entry;
    }
    void formatCodes()
    {
        QFETCH(int, code);
        QFETCH(QString, name);
        QFETCH(int, steps);
        QFETCH(int, entry);
        QCOMPARE(data_format(code).name, name);
        QCOMPARE(data_format(code).steps, steps);
        QCOMPARE(LocoSettings::entry_of_code(code), entry);
        QCOMPARE(LocoSettings::code_of_entry(entry), entry == 5 ? -1 : code + 64);
    }

    void writeBytes_data()
    {
        QTest::addColumn<int>("adr");
        QTest::addColumn<int>("entry");
        QTest::addColumn<int>("answeredFor"); // address of the answer read before
        QTest::addColumn<QString>("wire");
        const QString cmd = "ED 0F 01 5A 56 0C ";
        QTest::newRow("DCC 28 for 3") << 3 << 3 << 3 << cmd + "00 03 00 52 05 00 00 00";
        QTest::newRow("extra of another loco") << 3 << 3 << 4 << cmd + "00 03 00 52 00 00 00 00";
        QTest::newRow("200") << 200 << 4 << 200 << cmd + "01 48 00 53 05 00 00 00";
        QTest::newRow("16383") << 16383 << 0 << 16383 << cmd + "01 7F 3F 40 05 00 00 00";
    }
    void writeBytes()
    {
        QFETCH(int, adr);
        QFETCH(int, entry);
        QFETCH(int, answeredFor);
        QFETCH(QString, wire);
        Rig rig;
        rig.connect();
        LocoSettings& ls = rig.core->lokSettings;
        QSignalSpy shown(&ls, &LocoSettings::format_read);
        ls.read(answeredFor);
        sendAndEcho(rig);
        rig.sendRaw(formatAnswer(answeredFor + 1, 19)); // a throttle's read of another loco
        rig.sendRaw(formatAnswer(answeredFor, 18, 5));
        rig.tick(2);
        QCOMPARE(shown, (QList<QVariantList>{{answeredFor, 3}})); // 18: "DCC - 28"
        QVERIFY(!ls.write(adr, LocoSettings::NoEntry)); // "-" is never written
        QVERIFY(ls.write(adr, entry));
        QCOMPARE(sendAndEcho(rig), wire_hex(wire));
    }

    void readIsCancelledOrTimesOut()
    {
        Rig rig;
        rig.connect();
        LocoSettings& ls = rig.core->lokSettings;
        QSignalSpy shown(&ls, &LocoSettings::format_read);
        ls.read(3);
        QCOMPARE(sendAndEcho(rig), wire_hex("ED 0F 01 5A 56 0D 00 03 00 00 00 00 00 00"));
        ls.cancel(); // window closed: the answer no longer changes it
        rig.sendRaw(formatAnswer(3, 19));
        rig.tick(3);
        QVERIFY(shown.isEmpty());

        ls.read(3);
        sendAndEcho(rig);
        rig.run(2.05);
        QCOMPARE(rig.texts(), QStringList{"Keine Antwort auf LokCfg-Read erhalten!"});
    }

    // Status with the use bits "common", then the move to slot 0; each step
    // gives up 2 s after the loco request.
    void dispatch_data()
    {
        QTest::addColumn<int>("stat"); // -1: no slot data arrive
        QTest::addColumn<int>("echoes");
        QTest::addColumn<QStringList>("sent"); // after the loco request
        QTest::addColumn<QStringList>("boxes");
        const QStringList notSent = {"Message kann nicht gesendet werden!",
                                     "Slot Status Write konnte nicht gesendet werden!"};
        QTest::newRow("in use") << 0x33 << 2 << QStringList{"B5 07 13", "BA 07 00"}
                                << QStringList{};
        QTest::newRow("free") << 0x07 << 2 << QStringList{"B5 07 17", "BA 07 00"} << QStringList{};
        QTest::newRow("no slot") << -1 << 0 << QStringList{"", ""}
                                 << QStringList{"Keine Antwort auf Lokanfrage erhalten!"};
        QTest::newRow("status not echoed") << 0x33 << 0 << QStringList{"B5 07 13", ""} << notSent;
        QTest::newRow("move not echoed")
            << 0x33 << 1 << QStringList{"B5 07 13", "BA 07 00"} << notSent;
    }
    void dispatch()
    {
        QFETCH(int, stat);
        QFETCH(int, echoes);
        QFETCH(QStringList, sent);
        QFETCH(QStringList, boxes);
        Rig rig;
        rig.connect();
        rig.core->lokDispatch.dispatch(3);
        QCOMPARE(sendAndEcho(rig), wire_hex("BF 00 03"));
        rig.send({0xE7, 0x0E, 5, 0x33, 4, 0, 0, 7, 0, 0, 0, 0, 0}); // loco 4's slot: it waits on
        if (stat >= 0)
            rig.send({0xE7, 0x0E, 7, stat, 3, 0, 0, 7, 0, 0, 0, 0, 0}); // loco 3 in slot 7
        for (int i = 0; i < 2; ++i) {
            rig.tick(3);
            QCOMPARE(rig.takeWire(), wire_hex(sent[i]));
            if (i < echoes)
                rig.echo();
        }
        rig.run(3.1);
        QVERIFY(rig.core->req.idle());
        QCOMPARE(rig.texts(), boxes);
    }
};

QTEST_GUILESS_MAIN(TestLocoSettings)
#include "tst_loco_settings.moc"
