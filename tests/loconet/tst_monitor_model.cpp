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
        row("85", "Nothalt aller Loks");
        row("A0 05 2A", "Slot 5: Fahrstufe 42");
        row("A0 05 00", "Slot 5: Halt");
        row("A1 07 32", "Slot 7: rückwärts, F0 F2 an");
        row("A2 07 00", "Slot 7: F5 bis F8 aus");
        row("A3 07 09", "Slot 7: F9 F12 an");
        // Function groups by the station's table, not a raw byte.
        row("D4 20 07 08 15", "Slot 7: F13 F15 F17 an");
        row("D4 20 07 09 00", "Slot 7: F21 bis F27 aus");
        row("D4 20 07 05 20", "Slot 7: F20 an");
        row("D4 20 07 05 00", "Slot 7: F12 F20 F28 aus");
        row("D4 20 07 07 11", "Slot 7: F5 F9 an");
        row("D4 20 07 06 11", "OPC_FN_GROUP (D4 20 07 06 11 1B): nicht decodiert");
        row("B0 13 30", "Weiche 20: grün, Ausgang ein");
        row("B0 7F 0F", "Weiche 2048: rot, Ausgang aus");
        row("B0 78 27",
            "Zustandsabfrage an alle Weichen und Rückmelder (Weiche 1017: grün, Ausgang aus)");
        row("BD 13 30", "Weiche 20: grün, Ausgang ein, mit Quittung");
        row("B1 13 20", "Weichenmeldung 20: Ausgang grün ein, rot aus");
        row("B1 13 70", "Weichenmeldung 20: Weicheneingang ein");
        row("B1 13 40", "Weichenmeldung 20: Hilfseingang aus");
        row("BC 04 00", "Weichenstellung abfragen: Weiche 5");
        row("B2 02 70", "Rückmelder 6: belegt");
        row("B2 7F 67", "Rückmelder 2048: frei");
        // Long acknowledges: the opcode answered and what the code means there.
        row("B4 3C 50", "Quittung auf BC: Weiche steht rot");
        row("B4 3C 10", "Quittung auf BC: Stellung unbekannt (Code 10)");
        row("B4 30 00", "Quittung auf B0: nicht bearbeitet");
        row("B4 3D 7F", "Quittung auf BD: angenommen");
        row("B4 3F 00", "Quittung auf BF: Lok konnte nicht angemeldet werden");
        row("B4 3A 00", "Quittung auf BA: Slot nicht verschoben");
        row("B4 3B 00", "Quittung auf BB: Slot nicht vorhanden");
        row("B4 39 00", "Quittung auf B9: abgelehnt");
        row("B4 6D 7F", "Quittung auf ED: angenommen");
        row("B4 6D 00", "Quittung auf ED: abgelehnt (Code 0)");
        row("B4 6D 02", "Quittung auf ED: abgelehnt (Code 2, bei LNCV: LNCV schreibgeschützt)");
        row("B4 6F 00", "Quittung auf EF: Programmiergleis belegt, Auftrag abgebrochen");
        row("B4 6F 01", "Quittung auf EF: Programmierauftrag angenommen");
        row("B4 6F 40", "Quittung auf EF: Programmierauftrag angenommen, keine Antwort folgt");
        row("B4 65 05", "Quittung auf E5: Code 5");
        row("BF 00 4E", "Lok 78 anfordern");
        row("BE 07 68", "Lok 1000 anfordern");
        row("BF 7F 01", "Lok 1 anfordern"); // not 16257
        row("BB 03 00", "Slotdaten anfordern: Slot 3");
        row("B5 03 13", "Slot 3: Status allgemein setzen");
        row("BA 03 00", "Slot 3 an Dispatch übergeben");
        row("BA 03 03", "Slot 3 in Gebrauch nehmen");
        row("BA 00 00", "Dispatch-Lok holen");
        row("BA 03 09", "Slot 3 nach Slot 9 verschieben");
        row("B6 05 10", "Slot 5 im Verbund: F0 an");
        row("B9 05 06", "Slot 5 mit Slot 6 verbinden");
        row("B8 05 06", "Slot 5 von Slot 6 lösen");
        row("D0 20 05 7D 03", "Transponder: Lok 3 in Abschnitt 6 erkannt");
        row("D0 00 05 09 52", "Transponder: Lok 1234 hat Abschnitt 6 verlassen");
        row("D0 60 00 31 01", "Leistungsmodul 1: Bereich 1 Kehrschleife umgepolt, Bereich 2 in "
                              "Ordnung, Bereich 3 in Ordnung, Bereich 4 in Ordnung");
        row("D0 60 00 10 02",
            "Leistungsmodul 1: Bereich 1 in Ordnung, Bereich 2 Kurzschluss, Bereich 3 in Ordnung, "
            "Bereich 4 in Ordnung");
        row("E7 0E 03 33 4E 10 20 07 00 00 00 00 00",
            "Slot 3: Lok 78, rückwärts, Fahrstufe 16, in Gebrauch");
        row("E7 0E 05 33 01 00 00 07 00 7F 00 00 00",
            "Slot 5: Lok 1, vorwärts, Fahrstufe 0, in Gebrauch");
        row("EF 0E 03 33 4E 10 20 07 00 00 00 00 00",
            "Slot 3 schreiben: Lok 78, rückwärts, Fahrstufe 16, in Gebrauch");
        row("E7 0E 00 00 00 03 00 07 00 00 00 5A 56", "Slot 0: Zentralen-Daten");
        // Special slots are no loco slots.
        row("E7 0E 7B 04 00 00 49 07 76 02 40 00 00", "Modelluhr: 14:05 Uhr, Tag 2, Faktor 4");
        row("EF 0E 7B 00 00 00 44 07 68 00 40 00 00",
            "Modelluhr stellen: 00:00 Uhr, Tag 0, angehalten");
        row("E7 0E 7F 7F 7F 7F 7F 07 7F 7F 7F 7F 7F",
            "Slot 127: Optionen der Zentrale (Bits nicht decodiert)");
        row("EF 0E 7E 00 00 00 00 07 00 00 00 00 00",
            "Slot 126 schreiben: Optionen der Zentrale (Bits nicht decodiert)");
        // Programming requests and the programmer's replies.
        row("EF 0E 7C 28 00 00 00 00 00 07 00 00 00", "Programmiergleis (Direct): CV 8 lesen");
        row("EF 0E 7C 60 00 00 00 00 00 00 03 00 00",
            "Programmiergleis (Paged): CV 1 = 3 schreiben");
        row("EF 0E 7C 30 00 00 00 00 00 02 00 00 00", "Programmiergleis (Register): CV 3 lesen");
        row("EF 0E 7C 68 00 00 00 00 03 47 48 00 00",
            "Programmiergleis (Direct): CV 200 = 200 schreiben");
        row("EF 0E 7C 28 00 00 00 00 31 67 00 00 00", "Programmiergleis (Direct): CV 1000 lesen");
        row("EF 0E 7C 64 00 09 52 00 00 02 0A 00 00",
            "Hauptgleis, Lok 1234 (ohne Rückmeldung): CV 3 = 10 schreiben");
        row("EF 0E 7C 2C 00 00 03 00 00 00 00 00 00",
            "Hauptgleis, Lok 3 (mit Rückmeldung): CV 1 lesen");
        row("E7 0E 7C 28 00 00 00 07 00 07 5A 00 00",
            "Antwort Programmiergleis (Direct): CV 8 = 90");
        row("E7 0E 7C 00 00 00 00 07 02 00 03 00 00",
            "Antwort Programmiergleis (Paged): CV 1 = 131");
        row("E7 0E 7C 68 00 00 00 07 03 47 48 00 00",
            "Antwort Programmiergleis (Direct): CV 200 = 200 geschrieben");
        row("E7 0E 7C 28 01 00 00 07 00 07 00 00 00",
            "Antwort Programmiergleis (Direct): CV 8 lesen fehlgeschlagen: kein Decoder");
        row("E7 0E 7C 68 06 00 00 07 00 02 05 00 00",
            "Antwort Programmiergleis (Direct): CV 3 schreiben fehlgeschlagen: keine "
            "Schreibquittung, keine Lesequittung");
        row("E7 0E 7C 2C 10 00 03 07 00 00 03 00 00",
            "Antwort Hauptgleis, Lok 3 (mit Rückmeldung): CV 1 = 3 (Status 10 nicht decodiert)");
        row("E6 15 00 04 30 4E 00 00 10 00 20 00 00 00 00 00 00 00 00 00",
            "Slot 4 (erweitert): Lok 78, rückwärts, Fahrstufe 16");
        row("EE 10 01 02 05 00 00 00 00 00 00 00 00 00 00", "Tabelle 1, Block 5 lesen");
        row("E6 10 01 02 05 00 00 13 30 14 30 00 00 00 00",
            "Tabelle 1, Block 5 (Inhalt nicht decodiert)");
        // The station's own 15-byte commands and answers.
        row("E5 07 01 5A 56 41", "Programmiermodus ein");
        row("ED 1F 01 5A 56 73 72 01 00 00 70 00 00 00 00 10", "Programmiergleis: CV 129 lesen");
        row("ED 0F 01 5A 56 02 01 48 00 00 00 00 00 00", "Sonderoption 200 lesen");
        row("ED 0F 01 5A 56 01 04 05 00 7F 00 00 00 00", "Sonderoption 5 = 255 schreiben");
        row("E5 0F 01 5A 56 00 04 05 00 7F 00 00 00 00", "Sonderoption 5: Wert 255");
        row("ED 0F 01 5A 56 0D 00 4E 00 00 00 00 00 00", "Lokdatenformat Lok 78 lesen");
        row("ED 0F 01 5A 56 0C 00 03 00 52 00 00 00 00",
            "Lokdatenformat Lok 3 = Code 18 schreiben");
        row("ED 0F 01 5A 56 18 00 01 00 00 00 00 00 00", "Zentrale zurücksetzen: Lokdatenformat");
        row("ED 0F 01 5A 56 15 00 05 0F 00 00 00 00 00", "Slot 5: Richtung wechseln");
        row("ED 0F 01 5A 56 33 01 05 00 00 00 00 00 00",
            "OPC_IMM_PACKET (ED 0F 01 5A 56 33 01 05 00 00 00 00 00 00 27): nicht decodiert");
        row("E5 0F 01 5A 56 08 00 45 12 00 00 00 00 00", "Softwareversion 1.245");
        row("E5 0F 01 5A 56 09 00 12 34 56 78 10 00 00", "Seriennummer 1234567810");
        row("E5 0F 01 5A 56 0B 00 4E 00 03 00 00 00 00", "Lokdatenformat Lok 78: Code 3");
        // LNCV, as sent and as answered, in either opcode.
        row("ED 0F 01 05 00 21 41 52 04 00 00 01 00 00",
            "LNCV-Programmierung starten: Artikel 1234, Modul 1");
        row("ED 0F 01 05 00 21 71 52 04 00 00 7F 7F 00",
            "LNCV-Programmierung starten: Artikel 1234, alle Module");
        row("ED 0F 01 05 00 21 01 52 04 00 00 01 00 40",
            "LNCV-Programmierung beenden: Artikel 1234, Modul 1");
        row("E5 0F 01 05 00 21 01 52 04 03 00 00 00 00", "LNCV lesen: Artikel 1234, LNCV 3");
        row("ED 0F 01 05 00 20 01 52 04 02 00 07 00 00",
            "LNCV schreiben: Artikel 1234, LNCV 2 = 7");
        row("E5 0F 01 05 00 1F 01 52 04 02 00 07 00 00", "LNCV-Antwort: Artikel 1234, LNCV 2 = 7");
        row("E5 0F 05 49 4B 1F 01 35 1B 00 00 05 00 00", "LNCV-Antwort: Artikel 7093, LNCV 0 = 5");
        // SV module programming, both versions.
        row("E5 10 01 01 02 10 05 00 03 00 10 07 00 00 00",
            "SV-Programmierung: Modul 5, SV 3 = 7 schreiben");
        row("E5 10 01 06 02 10 05 00 03 00 10 00 00 00 00",
            "SV-Programmierung: Modul 5, SV 3 bis 6 lesen");
        row("E5 10 05 42 02 10 05 00 03 00 11 07 00 00 00", "SV-Antwort: Modul 5, SV 3 = 135");
        row("E5 10 01 07 02 10 00 00 00 00 10 00 00 00 00",
            "SV-Programmierung: alle Module suchen");
        row("E5 10 50 05 01 00 02 03 00 00 00 00 00 00 00",
            "SV-Programmierung (Version 1): Modul 5, SV 3 lesen");
        row("E5 10 01 05 00 00 01 02 03 04 00 05 06 07 08",
            "OPC_PEER_XFER (E5 10 01 05 00 00 01 02 03 04 00 05 06 07 08 06): nicht decodiert");
        row("E5 14 0F 08 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00",
            "IPL: alle Geräte sollen sich melden");
        // DCC packets for the track: decoder address and instruction.
        row("ED 0B 7F 32 02 03 5E 05 00 00", "DCC-Paket an Lok 3: F13 F15 an");
        row("ED 0B 7F 42 0F 44 52 5F 01 00", "DCC-Paket an Lok 1234: F21 F28 an");
        row("ED 0B 7F 32 04 03 3F 05 00 00", "DCC-Paket an Lok 3: vorwärts, Fahrstufe 4 von 126");
        row("ED 0B 7F 22 00 03 76 00 00 00", "DCC-Paket an Lok 3: vorwärts, Fahrstufe 10 von 28");
        row("ED 0B 7F 22 02 03 11 00 00 00", "DCC-Paket an Lok 3: F0 F1 an");
        row("ED 0B 7F 22 00 03 70 00 00 00", "DCC-Paket an Lok 3: vorwärts, Halt");
        row("ED 0B 7F 22 00 03 61 00 00 00", "DCC-Paket an Lok 3: vorwärts, Nothalt");
        row("ED 0B 7F 22 00 03 62 00 00 00", "DCC-Paket an Lok 3: vorwärts, Fahrstufe 1 von 28");
        row("ED 0B 7F 22 01 7F 00 00 00 00", "DCC-Leerlaufpaket");
        row("ED 0B 7F 42 02 03 64 02 0A 00", "DCC-Paket an Lok 3: CV 3 = 10 prüfen");
        row("A0 05 01", "Slot 5: Nothalt");
        row("E5 07 01 5A 56 40", "Programmiermodus aus");
        row("EF 0E 7C 08 00 00 00 00 00 02 00 00 00", "Programmiergleis (Direct, Bit): CV 3 lesen");
        row("ED 0B 7F 42 02 03 6C 02 0A 00", "DCC-Paket an Lok 3: CV 3 = 10 schreiben");
        row("ED 0B 7F 22 03 01 78 00 00 00", "DCC-Paket an Zubehördecoder 1: Ausgang 0 ein");
        // Train identification by the rules its subsystem reads them with.
        row("E4 08 01 41 05 00 4E", "Zugerkennung Melder 133: Lok 78, Kategorie 2, S1 nach S2");
        row("E4 08 00 20 05 00 50", "Zugerkennung Melder 5: 80 km/h");
        row("E4 08 01 21 05 00 02", "Zugerkennung Melder 133: Anzeige löschen");
        row("E4 08 01 21 05 00 03", "OPC_TRAIN_ID (E4 08 01 21 05 00 03 35): nicht decodiert");
        row("DF 00 00 00 00", "OPC_PANEL_QUERY (DF 00 00 00 00 20): nicht decodiert");
        row("F0 03", "Opcode F0 (F0 03 0C): nicht decodiert");
        row("E7 05 03 00", "OPC_SL_RD_DATA (E7 05 03 00 1E): nicht decodiert");
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

    // A saved file shown again: its lines with their times, or none for
    // plain hex; lines that are no message are counted out by number.
    void loadsSavedTraffic_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("rows"); // time, direction, description
        QTest::addColumn<QList<int>>("skipped");
        QTest::newRow("trace, CR LF, byte-order mark")
            << QByteArray(
                   "\xEF\xBB\xBF    1.250  TX  B0 13 30 6C\r\n    1.260  BAD  B2 02 70 00\r\n")
            << QStringList{"1.250 TX Weiche 20: grün, Ausgang ein",
                           "1.260 BAD Rückmelder 6: belegt"}
            << QList<int>{};
        QTest::newRow("plain hex and --decode lines")
            << QByteArray("# note\n\n82 7D\n83 7C\tGleisspannung ein (GO)\n")
            << QStringList{"  Gleisspannung aus (STOP)", "  Gleisspannung ein (GO)"}
            << QList<int>{};
        QTest::newRow("CR line ends") << QByteArray("82 7D\rB2\r83 7C\r")
                                      << QStringList{"  Gleisspannung aus (STOP)",
                                                     "  Gleisspannung ein (GO)"}
                                      << QList<int>{2};
        // wrong checksum, unfinished, two messages, data byte, no time, a sign
        QTest::newRow("no messages")
            << QByteArray("82 7C\nB2 02\n82 7D 83 7C\n82 FD\n   x  RX  82 7D\nhello\nB2 +2 70 "
                          "3F\n83 7C\n")
            << QStringList{"  Gleisspannung ein (GO)"} << QList<int>{1, 2, 3, 4, 5, 6, 7};
    }
    void loadsSavedTraffic()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, rows);
        QFETCH(QList<int>, skipped);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("saved.txt"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(file) == file.size());
        f.close();
        MonitorModel model;
        model.traffic(9, ln::Traffic::Rx, numbered(1)); // replaced by the file's lines
        model.flush();
        QList<int> lines;
        QVERIFY(load_trace(model, path, &lines, nullptr));
        QStringList shown;
        for (int r = 0; r < model.rowCount(); ++r) {
            QStringList cells;
            for (int c : {MonitorModel::Time, MonitorModel::Direction, MonitorModel::Description})
                cells << model.index(r, c).data().toString();
            shown << cells.join(u' ');
        }
        QCOMPARE(shown, rows);
        QCOMPARE(lines, skipped);
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
