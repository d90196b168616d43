// The keyboard and feedback pages: switch requests and queries, reports
// seen on the bus, and numbers typed into their key-entry windows.

#include "support/rig.h"
#include "support/scripted_station.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
using Pairs = QList<std::pair<int, int>>;


// The (number, value) arguments of each signal caught.
Pairs pairs(const QSignalSpy& spy)
{
    Pairs l;
    for (const QVariantList& args : spy)
        l << std::pair(args[0].toInt(), args[1].toInt());
    return l;
}

// The core against a station that echoes and answers every switch query.
struct Echoed : Rig {
    ScriptedStation peer{bus};
    Echoed()
    {
        station = [this] { peer.poll(); };
    }
};
} // namespace

class TestAccessory : public QObject {
    Q_OBJECT
  private slots:
    // A switch (B0) or sensor (B2) report on the bus, with the keyboard page
    // at kbBase and feedback page 1 shown: the indicators it colours and what
    // it hands to the route triggers, as (number, colour or state) pairs.
    void busReport_data()
    {
        QTest::addColumn<QByteArray>("report");
        QTest::addColumn<int>("kbBase");
        QTest::addColumn<Pairs>("anz");
        QTest::addColumn<Pairs>("trigger");
        const auto row = [](const char* name, const char* hex, int kbBase, const Pairs& anz,
                            const Pairs& trigger) {
            QTest::newRow(name) << QByteArray::fromHex(hex) << kbBase << anz << trigger;
        };
        row("green on, page shown", "B0 13 30", 16, {{3, colour::Green}}, {{19, 1}});
        row("red on, 2048", "B0 7F 1F", 2032, {{15, colour::Red}}, {{2047, 0}});
        row("off changes nothing", "B0 13 20", 16, {}, {});
        row("other page still triggers", "B0 13 10", 0, {}, {{19, 0}});
        row("sensor 12 occupied", "B2 05 30", 0, {{11, colour::Red}}, {{11, 1}});
        row("sensor 1 free, 0x40 ignored", "B2 00 40", 0, {{0, colour::Yellow}}, {{0, 0}});
        row("4095, beyond the panel", "B2 7F 2F", 0, {}, {{4095, 0}});
        row("sensor 17, next page", "B2 08 50", 0, {}, {{16, 1}});
    }
    void busReport()
    {
        QFETCH(QByteArray, report);
        QFETCH(int, kbBase);
        QFETCH(Pairs, anz);
        QFETCH(Pairs, trigger);
        Rig rig;
        Keyboard& kb = rig.core->keyboard;
        Feedback& fb = rig.core->feedback;
        kb.select_page(kbBase / 16);
        QSignalSpy kbAnz(&kb, &Keyboard::kb_anz), ma(&kb, &Keyboard::route_trigger_ma);
        QSignalSpy rmAnz(&fb, &Feedback::rm_anz), rm(&fb, &Feedback::route_trigger_rm);
        rig.sendRaw(ln::frame(report));
        rig.tick();
        const bool sensor = report[0] == char(0xB2);
        QCOMPARE(pairs(sensor ? rmAnz : kbAnz), anz);
        QCOMPARE(pairs(sensor ? rm : ma), trigger);
        QVERIFY((sensor ? kbAnz : rmAnz).isEmpty() && (sensor ? ma : rm).isEmpty());
        // The sensor reported, and only it, changes its state and its button's text.
        const auto [s, level] = sensor ? trigger[0] : std::pair(0, -1);
        QCOMPARE(fb.RmState[size_t(s)], level);
        QCOMPARE(std::count(fb.RmState.begin(), fb.RmState.end(), -1), Feedback::Sensors - sensor);
        if (sensor)
            QCOMPARE(fb.rm_text(s), level ? "frei" : "belegt");
    }

    void reselectingThePageDoesNotRepaint()
    {
        Rig rig;
        Feedback& fb = rig.core->feedback;
        QSignalSpy anz(&fb, &Feedback::rm_anz);
        QSignalSpy shown(&fb, &Feedback::page_shown);
        fb.select_page(0);
        QCOMPARE(anz.size(), 0);
        fb.select_page(1);
        QCOMPARE(anz.size(), 16);
        QCOMPARE(anz[0], (QVariantList{0, colour::White}));
        QCOMPARE(shown.size(), 2); // the tool tips are rewritten both times
        QVERIFY(rig.takeWire().isEmpty());
    }

    // Answer code of the station to every query, and the colour it gives; a
    // station that does not answer ends the poll after 2 s.
    void pollColoursThePage_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("colour"); // -1: the indicator is left as it is
        QTest::newRow("30 green") << 0x30 << colour::Green;
        QTest::newRow("50 red") << 0x50 << colour::Red;
        QTest::newRow("10 unchanged") << 0x10 << -1;
        QTest::newRow("no answer") << 0 << -1;
    }
    void pollColoursThePage()
    {
        QFETCH(int, code);
        QFETCH(int, colour);
        Echoed rig;
        rig.connect();
        rig.peer.switchState = code;
        Keyboard& kb = rig.core->keyboard;
        QSignalSpy anz(&kb, &Keyboard::kb_anz);
        kb.select_page(1); // second page: addresses 16..31
        rig.run(code ? 1 : 2.0);
        if (!code) {
            QVERIFY(rig.core->req.has(JobKind::SwitchPoll)); // 2 s are not yet over
            rig.run(0.1);
            QCOMPARE(rig.texts(), QStringList{"Keine Antwort auf Mag.Art.Abfrage erhalten!"});
            QCOMPARE(rig.shown[0].title, QString("Fehler"));
            QCOMPARE(rig.peer.heard.size(), 1); // the rest of the page is not queried
            return;
        }
        QStringList expected;
        for (int a = 16; a < 32; ++a)
            expected << wire_hex(QString::asprintf("BC %02X 00", a));
        QCOMPARE(rig.peer.heard, expected);
        QVERIFY(rig.core->req.idle());
        QCOMPARE(anz.size(), colour < 0 ? 0 : 16);
        if (colour >= 0)
            QCOMPARE(anz[5], (QVariantList{5, colour}));
        QVERIFY(rig.shown.isEmpty());
    }

    // Keys typed into Taste_Wadr or the feedback page's Taste_Radr (\b Backspace,
    // \x7f Delete, \x1b Escape): the number left and the messages sent.
    void typedEntry_data()
    {
        QTest::addColumn<QString>("keys"); // B and F are Taste_Radr's letters
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("sent");
        // The on message, then the off message.
        const auto sw = [](const char* on, const char* off) {
            return QStringList{wire_hex(on), wire_hex(off)};
        };
        const auto rm = [](const char* hex) { return QStringList{wire_hex(hex)}; };
        const auto row = [](const char* name, const char* keys, const char* text,
                            QStringList sent) {
            QTest::newRow(name) << QString(keys) << QString(text) << sent;
        };
        row("last four digits stay", "12345", "2345", {});
        row("G: green on, then off", "20G", "20", sw("B0 13 30", "B0 13 20"));
        row("Backspace, R: red", "123\b\bR", "1", sw("B0 00 10", "B0 00 00"));
        row("Delete empties", "7\x7f\x7fG", "", {});
        row("0 sends nothing", "0G", "0", {});
        row("2049 sends nothing", "2049R", "2049", {});
        row("2048", "2048R", "2048", sw("B0 7F 1F", "B0 7F 0F"));
        row("Escape sends nothing", "5\x1b", "5", {});
        row("second follows the first", "5G6R", "56", sw("B0 04 30", "B0 04 20") + sw("B0 37 10", "B0 37 00"));
        row("B: sensor 6 occupied", "6B", "6", rm("B2 02 70"));
        row("F: sensor 2048 free", "12048F", "2048", rm("B2 7F 67"));
        row("sensor 2049 sends nothing", "2049B", "2049", {});
        row("sensor 0 sends nothing", "0F", "0", {});
    }
    void typedEntry()
    {
        QFETCH(QString, keys);
        QFETCH(QString, text);
        QFETCH(QStringList, sent);
        Echoed rig;
        rig.connect();
        const bool radr = keys.contains(QRegularExpression("[BF]"));
        KeyEntry& entry = radr ? rig.core->feedback.Taste_Radr : rig.core->keyboard.Taste_Wadr;
        QSignalSpy hide(&entry, &KeyEntry::hide_window);
        for (QChar c : keys)
            entry.keydown(c == u'\x7f' ? KeyEntry::Delete : c.unicode());
        rig.run(0.2); // a switch pauses before its off message
        QCOMPARE(rig.peer.heard, sent.mid(0, 1));
        rig.run(0.1);
        QCOMPARE(rig.peer.heard.mid(0, 2), sent.mid(0, 2));
        rig.run(1.7);
        QCOMPARE(entry.text(), text);
        QCOMPARE(rig.peer.heard, sent);
        QCOMPARE(hide.size(), keys.count(QRegularExpression("[A-Z\\x1b]")));
    }
};

QTEST_GUILESS_MAIN(TestAccessory)
#include "tst_accessory.moc"
