// The station-settings and single-loco windows against the virtual station:
// special options, base settings, reset, loco data format and dispatch.

#include "support/station_rig.h"
#include "support/ui_find.h"
#include "ui/mainwin.h"
#include "ui/reset_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {
bool red(const QWidget& w, QPalette::ColorRole role = QPalette::Text)
{
    return w.palette().color(role) == QColor(Qt::red);
}

void type(QLineEdit& edit, const QString& text)
{
    edit.selectAll();
    edit.del();
    QTest::keyClicks(&edit, text);
}

// Opens a window from its menu entry.
QWidget& open(MainWin& win, const char* menuEntry, const char* window)
{
    find<QAction>(win, menuEntry).trigger();
    return find<QWidget>(win, window);
}

void click(QWidget& window, const char* button)
{
    QTest::mouseClick(&find<QPushButton>(window, button), Qt::LeftButton);
}
} // namespace

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
                                                                   {"1024", "3", false}};
        for (auto [number, value, enabled] : rows)
            QTest::addRow("%s %s", number, value) << QString(number) << QString(value) << enabled;
    }
    void soButtonsFollowBothFields()
    {
        QFETCH(QString, number);
        QFETCH(QString, value);
        QFETCH(bool, enabled);
        Rig rig;
        MainWin win(*rig.core);
        QWidget& so = open(win, "SOMenu", "SOWin");
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
        StationRig s;
        MainWin win(*s.rig.core);
        QWidget& so = open(win, "SOMenu", "SOWin");
        auto& nr = find<QLineEdit>(so, "SO_NR_TXT");
        type(nr, "14");
        QTest::keyClick(&nr, Qt::Key_Return);
        s.rig.run(0.2);
        QCOMPARE(find<QLineEdit>(so, "SO_VAL_TXT").text(), "20");
    }

    void baseSettingsReadOnOpenWrittenOnAccept()
    {
        StationRig s;
        s.station.settings().setOption(97, 0);
        MainWin win(*s.rig.core);
        QWidget& g = open(win, "GrundeinMenu", "Grundeinst");
        s.rig.run(0.5);
        QCOMPARE(find<QComboBox>(g, "LokdatenfCO").currentText(), "DCC 28");
        QCOMPARE(find<QLineEdit>(g, "MagZeitTxt_0").text(), "100");
        QVERIFY(find<QCheckBox>(g, "StopModeChk").isChecked());

        type(find<QLineEdit>(g, "MagZeitTxt_1"), "1075");
        type(find<QLineEdit>(g, "MagPakTxt"), "300");
        QCOMPARE(find<QLineEdit>(g, "MagPakTxt").text(), "255");
        find<QCheckBox>(g, "StopModeChk").setChecked(false);
        click(g, "SetModesBut");
        QVERIFY(!g.isVisible());
        s.rig.run(0.5);
        QCOMPARE(s.station.settings().option(14), 22);
        QCOMPARE(s.station.settings().option(35), 255);
        QCOMPARE(s.station.settings().option(97), 1);

        open(win, "GrundeinMenu", "Grundeinst");
        s.rig.run(0.5);
        s.rig.takeWire();
        type(find<QLineEdit>(g, "MagZeitTxt_0"), "");
        click(g, "SetModesBut");
        s.rig.run(0.2);
        QVERIFY(g.isVisible());
        QCOMPARE(s.rig.takeWire(), QString());
        QCOMPARE(s.rig.texts(),
                 QStringList{"Ungültige Eingabe: min. Einschaltzeit Magnetartikel (ms):"});
    }

    void resetSendsAndBlinksForTenSeconds()
    {
        Rig rig;
        MainWin win(*rig.core);
        auto& reset = static_cast<ResetWindow&>(open(win, "ResetMenu", "Reset"));
        click(reset, "KonfBut_1");
        rig.tick();
        QCOMPARE(rig.takeWire(),
                 ln::hex(ln::frame({0xED, 0x0F, 0x01, 0x5A, 0x56, 0x18, 0, 1, 0, 0, 0, 0, 0, 0})));
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
        Rig rig;
        MainWin win(*rig.core);
        QWidget& w = open(win, "LokEinstMenu", "Lokeinst");
        auto& adr = find<QLineEdit>(w, "LokadrTxt");
        QTest::keyClick(&adr, Qt::Key_1);
        rig.tick();
        rig.echo();
        QTest::keyClick(&adr, Qt::Key_2);
        rig.tick(3);
        const auto read = [](int a) {
            return ln::frame({0xED, 0x0F, 0x01, 0x5A, 0x56, 0x0D, 0, a, 0, 0, 0, 0, 0, 0});
        };
        QCOMPARE(rig.takeWire(), ln::hex(read(1) + read(12)));
        rig.echo();
        auto& list = find<QComboBox>(w, "LokdatenfCO");
        list.setCurrentIndex(0);
        rig.sendRaw(peer_message(0x0B, {12, 0, 17, 0, 0, 0, 0})); // DCC 27: not in the list
        rig.tick(3);
        QCOMPARE(list.currentText(), "-");
        // An address the station cannot take is refused, not written.
        type(adr, "16384");
        rig.tick(3);
        rig.echo();
        rig.tick(3);
        rig.takeWire(); // the read of 1638 typed on the way
        QCOMPARE(find<QPushButton>(w, "SetModeBut").text(), "Einstellung übernehmen");
        click(w, "SetModeBut");
        rig.tick(3);
        QCOMPARE(rig.texts().last(), "Bitte eine Lokadresse von 1 bis 16383 eingeben!");
        QCOMPARE(rig.takeWire(), "");
    }

    void dispatchButtonFollowsTextAndRequest()
    {
        StationRig s;
        MainWin win(*s.rig.core);
        QWidget& d = open(win, "LokDisp", "DispatchLok");
        auto& adr = find<QLineEdit>(d, "LokadrTxt");
        auto& button = find<QPushButton>(d, "DispBut");
        QVERIFY(!button.isEnabled());
        for (const char* text : {"3x", "10000", "0"}) {
            type(adr, text);
            QVERIFY2(!button.isEnabled() && red(adr), text);
        }
        type(adr, "3");
        QVERIFY(button.isEnabled() && !red(adr));
        QTest::mouseClick(&button, Qt::LeftButton);
        QVERIFY(!button.isEnabled());
        s.rig.run(0.3);
        QVERIFY(button.isEnabled());
        QVERIFY(s.station.slotTable().find(3) > 0);
        QCOMPARE(s.station.slotTable().dispatched(), s.station.slotTable().find(3));
        QCOMPARE(s.rig.texts(), QStringList{});
    }
};

QTEST_MAIN(TestUiSettings)
#include "tst_ui_settings.moc"
