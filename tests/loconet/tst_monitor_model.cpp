// The monitor's lines: the plain text of each kind of message the program
// knows; bounded, appended in batches, filtered, saved.

#include "loconet/describe.h"
#include "loconet/message.h"
#include "loconet/monitor_model.h"

#include <QtTest>

namespace {
// Message number n as a speed message whose bytes tell n apart.
QByteArray numbered(int n)
{
    return ln::frame({0xA0, (n >> 7) & 0x7F, n & 0x7F});
}
} // namespace

class TestMonitorModel : public QObject {
    Q_OBJECT
  private slots:
    void describesEveryKnownMessage_data()
    {
        // Bytes without checksum; the test adds it.
        QTest::addColumn<QByteArray>("hex");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* hex, const char* text) {
            QTest::newRow(hex) << QByteArray(hex) << QString::fromUtf8(text);
        };
        row("81", "Bus belegt");
        row("82", "Gleisspannung aus (STOP)");
        row("83", "Gleisspannung ein (GO)");
        row("A0 05 2A", "Slot 5: Fahrstufe 42");
        row("A0 05 00", "Slot 5: Halt");
        row("A1 07 32", "Slot 7: rückwärts, F0 F2 an");
        row("A2 07 00", "Slot 7: F5 bis F8 aus");
        row("A3 07 09", "Slot 7: F9 F12 an");
        row("D4 20 07 08 15", "Slot 7: Funktionsgruppe 8 = 15");
        row("B0 13 30", "Weiche 20: grün, Ausgang ein");
        row("B0 7F 0F", "Weiche 2048: rot, Ausgang aus");
        row("BC 04 00", "Weichenstellung abfragen: Weiche 5");
        row("B2 02 70", "Rückmelder 6: belegt");
        row("B2 7F 67", "Rückmelder 2048: frei");
        row("B4 3C 50", "Quittung auf BC: Weiche steht rot");
        row("B4 30 00", "Quittung auf B0: nicht bearbeitet");
        row("B4 3F 00", "Quittung auf BF: Lok konnte nicht angemeldet werden");
        row("B4 6D 00", "Quittung auf ED: abgelehnt (Code 0)");
        row("BF 00 4E", "Lok 78 anfordern");
        row("BE 07 68", "Lok 1000 anfordern");
        row("BB 03 00", "Slotdaten anfordern: Slot 3");
        row("B5 03 13", "Slot 3: Status allgemein setzen");
        row("BA 03 00", "Slot 3 an Dispatch übergeben");
        row("BA 03 03", "Slot 3 in Gebrauch nehmen");
        row("E7 0E 03 33 4E 10 20 07 00 00 00 00 00",
            "Slot 3: Lok 78, rückwärts, Fahrstufe 16, in Gebrauch");
        row("E7 0E 00 00 00 03 00 07 00 00 00 5A 56", "Slot 0: Zentralen-Daten");
        row("E7 0E 7C 00 00 00 00 07 02 00 03 00 00", "Programmiergleis: Wert 131");
        row("E7 0E 7C 00 01 00 00 07 00 00 00 00 00", "Programmiergleis: Fehler 1");
        row("E6 15 00 04 30 4E 00 00 10 00 20 00 00 00 00 00 00 00 00 00",
            "Slot 4 (erweitert): Lok 78, rückwärts, Fahrstufe 16");
        row("E5 07 01 5A 56 41", "Programmiermodus ein");
        row("ED 1F 01 5A 56 73 72 01 00 00 70 00 00 00 00 10", "Programmiergleis: CV 129 lesen");
        row("ED 0F 01 5A 56 02 01 48 00 00 00 00 00 00", "Sonderoption 200 lesen");
        row("ED 0F 01 5A 56 01 04 05 00 7F 00 00 00 00", "Sonderoption 5 = 255 schreiben");
        row("ED 0F 01 5A 56 0D 00 4E 00 00 00 00 00 00", "Lokdatenformat Lok 78 lesen");
        row("ED 0F 01 5A 56 18 00 01 00 00 00 00 00 00", "Zentrale zurücksetzen: Lokdatenformat");
        row("ED 0F 01 5A 56 15 00 05 0F 00 00 00 00 00", "Slot 5: Richtung wechseln");
        row("ED 0F 01 05 00 21 41 52 04 00 00 01 00 00",
            "LNCV-Programmierung starten: Artikel 1234, Modul 1");
        row("ED 0F 01 05 00 20 01 52 04 02 00 07 00 00",
            "LNCV schreiben: Artikel 1234, LNCV 2 = 7");
        row("E5 0F 01 05 00 1F 01 52 04 02 00 07 00 00", "LNCV-Antwort: Artikel 1234, LNCV 2 = 7");
        row("E5 0F 01 5A 56 08 00 45 12 00 00 00 00 00", "Softwareversion 1.245");
        row("E5 0F 01 5A 56 09 00 12 34 56 78 10 00 00", "Seriennummer 1234567810");
        row("E5 0F 01 5A 56 0B 00 4E 00 03 00 00 00 00", "Lokdatenformat Lok 78: Code 3");
        row("E4 08 01 41 05 00 4E", "Zugerkennung Melder 133: Lok 78, Kategorie 2, S1 nach S2");
        row("E4 08 00 20 05 00 50", "Zugerkennung Melder 5: 80 km/h");
        row("F0 03", "unbekannt");
        row("E7 05 03 00", "unbekannt");
    }

    void describesEveryKnownMessage()
    {
        QFETCH(QByteArray, hex);
        QFETCH(QString, text);
        QCOMPARE(ln::describe(ln::frame(QByteArray::fromHex(hex))), text);
    }

    void keepsTheNewestLinesInBatches()
    {
        MonitorModel model;
        MonitorFilter shown;
        shown.setSourceModel(&model);
        shown.setFilter(QStringLiteral("Slot"), -1); // every row passes, but each is looked at
        QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);
        const int total = MonitorModel::MaxLines + 5000;
        QElapsedTimer t;
        t.start();
        for (int n = 0; n < total; ++n) {
            model.traffic(n * 0.001, ln::Traffic::Rx, numbered(n));
            if (n % 1000 == 999)
                model.flush();
        }
        QVERIFY2(t.elapsed() < 20000, "a 100,000-message run must not stall the program");
        QCOMPARE(inserts.size(), total / 1000);
        QCOMPARE(model.rowCount(), MonitorModel::MaxLines);
        QCOMPARE(shown.rowCount(), MonitorModel::MaxLines);
        QCOMPARE(model.index(0, MonitorModel::Bytes).data().toString(), ln::hex(numbered(5000)));
        QCOMPARE(
            model.trace_line(model.rowCount() - 1),
            ln::TraceWriter::format((total - 1) * 0.001, ln::Traffic::Rx, numbered(total - 1)));
    }

    void pauseHoldsLinesBackWithinTheBound()
    {
        MonitorModel model;
        model.traffic(0, ln::Traffic::Tx, numbered(0));
        model.flush();
        model.setPaused(true);
        for (int n = 1; n <= MonitorModel::MaxLines + 10; ++n)
            model.traffic(n, ln::Traffic::Rx, numbered(n));
        model.flush();
        QCOMPARE(model.rowCount(), 1);
        model.setPaused(false);
        QCOMPARE(model.rowCount(), MonitorModel::MaxLines);
        QCOMPARE(model.index(0, MonitorModel::Bytes).data().toString(), ln::hex(numbered(11)));
    }

    void filtersByTextAndOpcodeAndSavesTheShownLines()
    {
        MonitorModel model;
        MonitorFilter shown;
        shown.setSourceModel(&model);
        model.traffic(1, ln::Traffic::Tx, ln::frame({0xB0, 0x13, 0x30}));
        model.traffic(2, ln::Traffic::Rx, ln::frame({0xB2, 0x02, 0x70}));
        model.traffic(3, ln::Traffic::Bad, QByteArray::fromHex("B20270FF"));
        model.traffic(4, ln::Traffic::Rx, ln::frame({0x83}));
        model.flush();
        const auto rows = [&](const QString& text, int opcode) {
            shown.setFilter(text, opcode);
            QStringList l;
            for (int r = 0; r < shown.rowCount(); ++r)
                l << shown.index(r, MonitorModel::Time).data().toString();
            return l.join(u' ');
        };
        QCOMPARE(rows(QString(), -1), QStringLiteral("1.000 2.000 3.000 4.000"));
        QCOMPARE(rows(QStringLiteral("weiche"), -1), QStringLiteral("1.000"));
        QCOMPARE(rows(QString(), 0xB2), QStringLiteral("2.000 3.000"));
        QCOMPARE(rows(QStringLiteral("bad"), 0xB2), QStringLiteral("3.000"));
        QCOMPARE(rows(QStringLiteral("83 7C"), -1), QStringLiteral("4.000"));
        // Saved, the shown lines make a trace.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("trace.txt"));
        QVERIFY(save_trace(shown, path, nullptr));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("    4.000  RX  83 7C\n"));
    }

    void opcodeText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("opcode"); // -2: refused
        QTest::newRow("empty") << "  " << -1;
        QTest::newRow("two digits") << "b2" << 0xB2;
        QTest::newRow("0x") << "0xE7" << 0xE7;
        QTest::newRow("data byte") << "7F" << -2;
        QTest::newRow("three digits") << "1B2" << -2;
        QTest::newRow("text") << "Weiche" << -2;
    }

    void opcodeText()
    {
        QFETCH(QString, text);
        QFETCH(int, opcode);
        QCOMPARE(opcode_filter(text).value_or(-2), opcode);
    }
};

QTEST_GUILESS_MAIN(TestMonitorModel)
#include "tst_monitor_model.moc"
