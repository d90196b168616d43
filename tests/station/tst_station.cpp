// Station settings: the plain form of the base settings (list entries,
// switching times in 50 ms units, the switch-on box), and the special
// options' messages, refused input and answers recognised by option number.

#include "station/base_settings.h"
#include "support/rig.h"

#include <QSignalSpy>
#include <QtTest>

using namespace base_settings;

namespace {
const QString kNummer = "Bitte die Nummer der Sonderoption eingeben (0 bis 1023)!";
} // namespace

struct OptionRow {
    QString action, number, value;
    QString wire; // without checksum; empty: nothing sent
    QString box;
};
Q_DECLARE_METATYPE(OptionRow)

class TestStation : public QObject {
    Q_OBJECT
  private slots:
    void lokFormatEntries_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("entry");
        for (auto [value, entry] : {std::pair{0, 0}, {2, 2}, {4, 3}, {6, 4}, {3, -1}, {5, -1}})
            QTest::addRow("%d", value) << value << entry;
    }
    void lokFormatEntries()
    {
        QFETCH(int, value);
        QFETCH(int, entry);
        QCOMPARE(lok_format_entry(value), entry);
        if (entry >= 0)
            QCOMPARE(lok_format_value(entry), value);
    }

    void switchTimeHalvesGoToEven_data()
    {
        QTest::addColumn<int>("ms");
        QTest::addColumn<int>("units");
        for (auto [ms, units] : {std::pair{1000, 20}, {1025, 20}, {1075, 22}, {1026, 21}, {25, 0}})
            QTest::addRow("%d ms", ms) << ms << units;
    }
    void switchTimeHalvesGoToEven()
    {
        QFETCH(int, ms);
        QFETCH(int, units);
        QCOMPARE(switch_time_units(ms), units);
    }

    void shownAndWrittenBack()
    {
        base_settings::Shown s;
        show({4, 1, 2, 20, 3, 0}, s);
        QCOMPARE(s.maxTime, "1000");
        show({3, 7, 2, 20, 3, 1}, s); // values no entry names leave the lists
        QCOMPARE(s.lokFormat, 3);
        QCOMPARE(s.magFormat, 1);
        QVERIFY(!s.stopAtSwitchOn);

        s.maxTime = "1075";
        QCOMPARE(values(s, {3, 7, 2, 20, 3, 0}), (Values{4, 1, 2, 22, 3, 1}));
        s.lokFormat = -1;
        QCOMPARE(values(s, {3, 7, 2, 20, 3, 0})->at(LokFormat), 3);
    }

    void messagesAndRefusals_data()
    {
        QTest::addColumn<OptionRow>("row");
        const auto row = [](const char* name, const char* action, const char* number,
                            const char* value, const QString& wire, const QString& box = {}) {
            QTest::newRow(name) << OptionRow{QString(action), QString(number), QString(value), wire,
                                             box};
        };
        const QString cmd = "ED 0F 01 5A 56 ";
        row("read 200", "read", "200", "", cmd + "02 01 48 00 00 00 00 00 00");
        row("255 to 5", "write", "5", "255", cmd + "01 04 05 00 7F 00 00 00 00");
        row("1023", "write", "1023", "0", cmd + "01 01 7F 03 00 00 00 00 00");
        row("read -", "read", "-", "", "", kNummer);
        row("read empty", "read", "", "", "", kNummer);
        row("read 1024", "read", "1024", "", "", kNummer);
        row("value -", "write", "5", "-", "", "Bitte einen Wert von 0 bis 255 eingeben!");
    }
    void messagesAndRefusals()
    {
        QFETCH(OptionRow, row);
        const auto& [action, number, value, wire, box] = row;
        Rig rig;
        rig.connect();
        SonderOptions& so = rig.core->options;
        if (action == "read")
            so.read(number);
        else
            so.write(number, value);
        QCOMPARE(rig.takeWire(), wire_hex(wire));
        QCOMPARE(rig.texts(), box.isEmpty() ? QStringList{} : QStringList{box});
        // Another device's answer for option 5 passes by; a read of 200 takes
        // the answer for 200.
        QSignalSpy read(&so, &SonderOptions::option_read);
        rig.echo();
        rig.sendRaw(peer_message(0x00, {5, 0, 9, 0, 0, 0, 0}) +
                    peer_message(0x00, {200, 0, 0xC8, 0, 0, 0, 0}));
        rig.tick(3);
        const bool own = action == "read" && number == "200";
        QCOMPARE(read, own ? (QList<QVariantList>{{200, 200}}) : QList<QVariantList>{});
    }

    // The station's acknowledge to a read or write: a refusal ends a read at
    // once (no second box claims there was no answer); a write hears it after
    // it has gone out.
    void acknowledges_data()
    {
        QTest::addColumn<bool>("write");
        QTest::addColumn<int>("code"); // -1: none
        QTest::addColumn<QStringList>("boxes");
        QTest::newRow("read refused") << false << 0 << QStringList{"Fehler: SO lesen"};
        QTest::newRow("read, no answer")
            << false << -1 << QStringList{"Keine Antwort auf SO-Read erhalten!"};
        QTest::newRow("write refused") << true << 0 << QStringList{"Fehler: SO schreiben"};
        QTest::newRow("write taken") << true << 0x7F << QStringList{};
    }
    void acknowledges()
    {
        QFETCH(bool, write);
        QFETCH(int, code);
        QFETCH(QStringList, boxes);
        Rig rig;
        rig.connect();
        if (write)
            rig.core->options.write_list({13}, {2});
        else
            rig.core->options.read_list(base_settings::Options);
        rig.echo();
        if (code >= 0)
            rig.send({0xB4, 0x6D, code});
        rig.run(1.98);
        QCOMPARE(rig.core->req.idle(), write || code >= 0);
        rig.run(0.05);
        QVERIFY(rig.core->req.idle());
        QCOMPARE(rig.texts(), boxes);
        if (!boxes.isEmpty())
            QCOMPARE(rig.shown[0].title, write || code >= 0 ? "LocoNet Fehler" : "Fehler");
    }

    void listWriteStopsWhenNotEchoed()
    {
        Rig rig;
        rig.connect();
        rig.core->options.write_list({13, 14}, {2, 20});
        rig.run(3.5);
        QCOMPARE(rig.takeWire().count("ED 0F"), 1); // the second option is not written
        QCOMPARE(rig.texts(), (QStringList{"Message kann nicht gesendet werden!",
                                           "SO-Write Konnte nicht gesendet werden!"}));
        QVERIFY(rig.core->req.idle());
    }
};

QTEST_GUILESS_MAIN(TestStation)
#include "tst_station.moc"
