// The monitor's plain-text line for each kind of message the program knows.

#include "loconet/describe.h"
#include "loconet/message.h"

#include <QtTest>

class TestDescribe : public QObject {
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
};

QTEST_GUILESS_MAIN(TestDescribe)
#include "tst_describe.moc"
