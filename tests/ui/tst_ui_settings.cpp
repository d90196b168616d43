// The station-settings and single-loco windows against the virtual station:
// special options, base settings, reset, loco data format and dispatch.

#include "station/base_settings.h"
#include "support/ui_bench.h"
#include "ui/reset_window.h"

#include <QCheckBox>
#include <QMap>
#include <QTimer>

namespace {
const QString kOffline = "Keine Verbindung zur Zentrale: bitte erst \"Verbinden\".";
const QString kBusy = "Bitte warten, bis das Schreiben der Grundeinstellungen beendet ist.";

// Another program's window takes the focus (a window of the main window
// would leave the main window active).
void activate_elsewhere()
{
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
}
} // namespace

struct BaseRow {
    QMap<int, int> preset; // the station's options changed before the second opening
    double wait;           // seconds between opening and accepting
    QStringList edits;     // "field=text", or the box StopModeChk toggled
    bool enter;            // accepted by Enter in the last field, not by the button
    QMap<int, int> written;
    QString box;
};
Q_DECLARE_METATYPE(BaseRow)

struct RefusedRow {
    QString menu;         // menu entry, or the page whose digit opens a key-entry window
    QString window;       // where the action is
    QStringList fields;   // "name=text" typed while connected
    QString button, keys; // the action (keys go to the last field, else the window);
                          // neither: the window opened again
    QString box;          // kOffline, kBusy or none
    QString shows = {};   // "name=text" the window then shows
};
Q_DECLARE_METATYPE(RefusedRow)

class TestUiSettings : public QObject {
    Q_OBJECT
  private slots:
    void soButtonsFollowBothFields_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("enabled");
        const std::tuple<const char*, const char*, bool> rows[] = {{"1", "-", true},
                                                                   {"5", "255", true},
                                                                   {"5", "256", false},
                                                                   {"5a", "3", false},
                                                                   {"1024", "3", true}};
        for (auto [number, value, enabled] : rows)
            QTest::addRow("%s %s", number, value) << QString(number) << QString(value) << enabled;
    }
    void soButtonsFollowBothFields()
    {
        QFETCH(QString, number);
        QFETCH(QString, value);
        QFETCH(bool, enabled);
        UiBench b;
        QWidget& so = b.open("SOMenu", "SOWin");
        auto& nr = find<QLineEdit>(so, "SO_NR_TXT");
        auto& val = find<QLineEdit>(so, "SO_VAL_TXT");
        type(nr, number);
        type(val, value);
        QCOMPARE(find<QPushButton>(so, "rd_so").isEnabled(), enabled);
        QCOMPARE(find<QPushButton>(so, "wr_so").isEnabled(), enabled);
        QCOMPARE(red(nr) || red(val), !enabled);
    }

    void soEnterReadsIntoValueField()
    {
        StationUiBench b;
        b.connect();
        QWidget& so = b.open("SOMenu", "SOWin");
        auto& nr = find<QLineEdit>(so, "SO_NR_TXT");
        type(nr, "14");
        QTest::keyClick(&nr, Qt::Key_Return);
        b.rig.run(0.2);
        QCOMPARE(find<QLineEdit>(so, "SO_VAL_TXT").text(), "20");
    }

    // Read when opened (a second time, after the station changed by preset),
    // written back on accept: what was read, or what the user changed.
    void baseSettingsWriteBackWhatWasRead_data()
    {
        QTest::addColumn<BaseRow>("row");
        const auto row = [](const char* name, QMap<int, int> preset, QStringList edits,
                            QMap<int, int> written, QString box = {}, double wait = 0.5,
                            bool enter = false) {
            QTest::newRow(name) << BaseRow{preset, wait, edits, enter, written, box};
        };
        row("changed", {{97, 0}}, {"MagZeitTxt_1=1075", "MagPakTxt=300", "StopModeChk"},
            {{10, 4}, {14, 22}, {35, 255}, {97, 1}});
        row("field empty", {}, {"MagZeitTxt_0="}, {{13, 2}},
            "Ungültige Eingabe: min. Einschaltzeit Magnetartikel (ms):");
        row("12750 ms kept", {{14, 255}}, {"StopModeChk"}, {{14, 255}, {97, 0}});
        row("Enter with three digits", {}, {"MagZeitTxt_0=150"}, {{13, 3}}, {}, 0.5, true);
        row("option 10 without entry", {{10, 3}}, {}, {{10, 3}});
        row("accepted before read", {{14, 30}}, {}, {{14, 30}},
            "Bitte warten, bis die Grundeinstellungen gelesen sind.", 0);
    }
    void baseSettingsWriteBackWhatWasRead()
    {
        QFETCH(BaseRow, row);
        StationUiBench s;
        s.connect();
        QWidget& g = s.open("GrundeinMenu", "Grundeinst");
        s.rig.run(0.5);
        for (auto [option, value] : row.preset.asKeyValueRange())
            s.station.settings().setOption(option, value);
        g.hide();
        s.open("GrundeinMenu", "Grundeinst");
        s.rig.run(row.wait);
        QLineEdit* last = &find<QLineEdit>(g, "MagPakTxt");
        for (const QString& e : row.edits) {
            if (e == "StopModeChk")
                find<QCheckBox>(g, e).toggle();
            else
                type(*(last = &find<QLineEdit>(g, e.section('=', 0, 0))), e.section('=', 1));
        }
        if (row.enter)
            QTest::keyClick(last, Qt::Key_Return);
        else
            click(g, "SetModesBut");
        s.rig.run(0.5);
        for (auto [option, value] : row.written.asKeyValueRange())
            QCOMPARE(s.station.settings().option(option), value);
        QCOMPARE(s.rig.texts(), row.box.isEmpty() ? QStringList{} : QStringList{row.box});
        QCOMPARE(g.isVisible(), !row.box.isEmpty());
    }

    // "Konfiguration" and "Lokdatenformat" ask for the reset and wait ten
    // seconds; "Abbruch" only closes the window.
    void resetButtons_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("wire");
        const QString cmd = "ED 0F 01 5A 56 18 00 %1 00 00 00 00 00 00";
        QTest::newRow("Konfiguration") << 0 << wire_hex(cmd.arg("00"));
        QTest::newRow("Lokdatenformat") << 1 << wire_hex(cmd.arg("01"));
        QTest::newRow("Abbruch") << 2 << QString();
    }
    void resetButtons()
    {
        QFETCH(int, button);
        QFETCH(QString, wire);
        UiBench b;
        b.rig.connect();
        auto& reset = static_cast<ResetWindow&>(b.open("ResetMenu", "Reset"));
        click(reset, QStringLiteral("KonfBut_%1").arg(button));
        b.rig.tick();
        QCOMPARE(b.rig.takeWire(), wire);
        QCOMPARE(reset.isVisible(), !wire.isEmpty());
        if (wire.isEmpty())
            return;
        auto& label = find<QLabel>(reset, "WartenLbl");
        QCOMPARE(label.text(), "bitte warten !");
        for (int tick = 1; tick < ResetWindow::WaitTicks; ++tick) {
            reset.timer_warten();
            QVERIFY(label.isVisible() && !find<QPushButton>(reset, "KonfBut_0").isVisible());
            QCOMPARE(red(label, QPalette::WindowText), tick % 2 == 0);
        }
        reset.timer_warten();
        QVERIFY(!label.isVisible() && find<QPushButton>(reset, "KonfBut_2").isVisible());
        QVERIFY(!find<QTimer>(reset, "TimerWarten").isActive());
    }

    void lokeinstReadsEachTypedAddressAndShowsItsFormat()
    {
        UiBench b;
        b.rig.connect();
        QWidget& w = b.open("LokEinstMenu", "Lokeinst");
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto& adr = find<QLineEdit>(w, "LokadrTxt");
        auto& list = find<QComboBox>(w, "LokdatenfCO");
        const QString read = "ED 0F 01 5A 56 0D 00 %1 00 00 00 00 00 00";
        const auto answer = [&b](int a, int code) {
            b.rig.echo();
            b.rig.sendRaw(peer_message(0x0B, {a, 0, code, 0, 0, 0, 0}));
            b.rig.tick(3);
        };
        QTest::keyClick(&adr, Qt::Key_1);
        b.rig.tick();
        b.rig.echo();
        QTest::keyClick(&adr, Qt::Key_2);
        b.rig.tick(3);
        QCOMPARE(b.rig.takeWire(), wire_hex(read.arg("01") + '|' + read.arg("0C")));
        answer(12, 17); // DCC 27: not in the list, and "-" is never written
        QCOMPARE(list.currentText(), "-");
        QVERIFY(!find<QPushButton>(w, "SetModeBut").isEnabled());

        // The format shown is the one read for the address typed: Enter
        // before the answer for 5 writes nothing.
        type(adr, "3");
        b.rig.tick(3);
        answer(3, 18);
        QCOMPARE(list.currentText(), "DCC - 28");
        type(adr, "5");
        QCOMPARE(list.currentText(), "-");
        QTest::keyClick(&adr, Qt::Key_Return);
        b.rig.tick(3);
        QCOMPARE(b.rig.takeWire(), wire_hex(read.arg("03") + '|' + read.arg("05")));
        answer(5, 19);
        QTest::keyClick(&adr, Qt::Key_Return);
        b.rig.tick(3);
        QCOMPARE(b.rig.takeWire(), wire_hex("ED 0F 01 5A 56 0C 00 05 00 53 00 00 00 00"));

        // Activated again, it reads again.
        b.rig.echo();
        activate_elsewhere();
        MainWin::show_window(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        b.rig.tick(3);
        QCOMPARE(b.rig.takeWire(), wire_hex(read.arg("05")));

        // An address the station cannot take is no typing error: refused, not written.
        type(adr, "16384");
        QVERIFY(!red(adr));
        list.setCurrentIndex(3);
        click(w, "SetModeBut");
        b.rig.tick(3);
        QCOMPARE(b.rig.texts().last(), "Bitte eine Lokadresse von 1 bis 16383 eingeben!");
        QVERIFY(!b.rig.takeWire().contains("5A 56 0C"));
    }

    void dispatchButtonFollowsTextAndRequest()
    {
        StationUiBench s;
        s.connect();
        QWidget& d = s.open("LokDisp", "DispatchLok");
        auto& adr = find<QLineEdit>(d, "LokadrTxt");
        auto& button = find<QPushButton>(d, "DispBut");
        QVERIFY(!button.isEnabled());
        type(adr, "3x");
        QVERIFY(!button.isEnabled() && red(adr));
        // Out of range is no typing error: the button refuses it.
        type(adr, "10000");
        QVERIFY(button.isEnabled() && !red(adr));
        click(d, "DispBut");
        s.rig.run(0.3);
        QCOMPARE(s.rig.texts(), QStringList{"Bitte eine Lokadresse von 1 bis 9999 eingeben!"});
        QCOMPARE(s.rig.takeWire(), QString());

        type(adr, "3");
        QTest::mouseClick(&button, Qt::LeftButton);
        QVERIFY(!button.isEnabled());
        s.rig.run(0.3);
        QVERIFY(button.isEnabled());
        QVERIFY(s.station.slotTable().find(3) > 0);
        QCOMPARE(s.station.slotTable().dispatched(), s.station.slotTable().find(3));
        // However the request ends, the button comes back.
        QTest::mouseClick(&button, Qt::LeftButton);
        QVERIFY(!button.isEnabled());
        click(s.win, "OpenPortBut_0");
        QVERIFY(button.isEnabled());
        QCOMPARE(s.rig.texts().size(), 1);
    }

    // Each window's action after "Trennen" (or while the base settings are
    // being written): one box, nothing posted, the window stays as it was. A
    // window's own read on opening says nothing and shows nothing read.
    void actionsRefusedWhileTheyCannotRun_data()
    {
        QTest::addColumn<RefusedRow>("row");
        const auto row = [](const char* name, RefusedRow r) { QTest::newRow(name) << r; };
        row("Lesen", {"SOMenu", "SOWin", {}, "rd_so", "", kOffline});
        row("Programmieren", {"SOMenu", "SOWin", {"SO_VAL_TXT=5"}, "wr_so", "", kOffline});
        row("Programmieren, writing", {"SOMenu", "SOWin", {"SO_VAL_TXT=5"}, "wr_so", "", kBusy});
        row("Einstellungen übernehmen",
            {"GrundeinMenu", "Grundeinst", {}, "SetModesBut", "", kOffline});
        row("Konfiguration", {"ResetMenu", "Reset", {}, "KonfBut_0", "", kOffline});
        row("Lokdatenformat, writing", {"ResetMenu", "Reset", {}, "KonfBut_1", "", kBusy});
        row("Einstellung übernehmen",
            {"LokEinstMenu", "Lokeinst", {"LokadrTxt=3"}, "SetModeBut", "", kOffline});
        row("Dispatch", {"LokDisp", "DispatchLok", {"LokadrTxt=3"}, "DispBut", "", kOffline});
        row("Taste_Wadr G", {"2", "Taste_Wadr", {}, "", "G", kOffline});
        row("Taste_Radr B", {"3", "Taste_Radr", {}, "", "B", kOffline});
        row("Sende LN Mes", {"", "MainWin", {"MesTxt=82"}, "", "\r", kOffline});
        // Opened again after "Trennen": quietly nothing read.
        row("Grundeinstellungen read",
            {"GrundeinMenu", "Grundeinst", {}, "", "", "", "MagZeitTxt_0="});
        row("Lokdatenformat read",
            {"LokEinstMenu", "Lokeinst", {"LokadrTxt=3"}, "", "", "", "LokdatenfCO=-"});
        row("Version read", {"VersionMenu", "Version", {}, "", "", "", "SeriLbl="});
    }
    void actionsRefusedWhileTheyCannotRun()
    {
        QFETCH(RefusedRow, row);
        StationUiBench s;
        s.connect();
        s.win.show();
        QVERIFY(QTest::qWaitForWindowActive(&s.win));
        if (row.menu.size() == 1) { // a key-entry window, opened by a digit on its page
            auto& tabs = s.w<QTabWidget>("MainTab");
            tabs.setCurrentIndex(row.menu.toInt());
            tabs.setFocus();
            QTest::keyClick(&tabs, Qt::Key_5);
        } else if (!row.menu.isEmpty()) {
            s.open(row.menu, row.window);
        }
        QWidget& w = row.window == "MainWin" ? s.win : s.w(row.window);
        if (row.menu.size() != 1) // a key-entry window takes no focus
            QVERIFY(QTest::qWaitForWindowActive(&w));
        QLineEdit* last = nullptr;
        for (const QString& f : row.fields)
            type(*(last = &find<QLineEdit>(w, f.section('=', 0, 0))), f.section('=', 1));
        s.rig.run(0.5);
        ReqEngine& req = s.rig.core->req;
        const bool busy = row.box == kBusy;
        if (busy)
            s.rig.core->options.write_list(base_settings::Options, {4, 1, 2, 20, 3, 1});
        else
            click(s.win, "OpenPortBut_0");
        const bool wasIdle = req.idle();

        if (!row.button.isEmpty()) {
            click(w, row.button);
        } else if (!row.keys.isEmpty()) {
            QTest::keyClicks(last ? static_cast<QWidget*>(last) : &w, row.keys);
        } else {
            w.hide();
            activate_elsewhere();
            s.open(row.menu, row.window);
            QVERIFY(QTest::qWaitForWindowActive(&w));
        }
        QCOMPARE(req.idle(), wasIdle);
        QCOMPARE(s.rig.texts(), row.box.isEmpty() ? QStringList{} : QStringList{row.box});
        QVERIFY(w.isVisible());
        if (!row.button.isEmpty())
            QVERIFY(find<QWidget>(w, row.button).isVisible()); // no wait for a reset
        if (!row.shows.isEmpty()) {
            const QWidget& shown = find<QWidget>(w, row.shows.section('=', 0, 0));
            const QVariant text = shown.property("text"); // a list has its currentText
            QCOMPARE((text.isValid() ? text : shown.property("currentText")).toString(),
                     row.shows.section('=', 1));
        }
        if (busy) {
            s.rig.run(0.5);
            QCOMPARE(s.rig.takeWire().count("ED 0F 01 5A 56 01"), 6); // not cut off
        }
    }
};

QTEST_MAIN(TestUiSettings)
#include "tst_ui_settings.moc"
