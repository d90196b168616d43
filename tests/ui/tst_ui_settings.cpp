// The station-settings and single-loco windows against the virtual station:
// special options, base settings, reset, loco data format and dispatch.

#include "support/ui_bench.h"
#include "ui/reset_window.h"

#include <QCheckBox>
#include <QTimer>

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

    void baseSettingsReadOnOpenWrittenOnAccept()
    {
        StationUiBench s;
        s.connect();
        s.station.settings().setOption(97, 0);
        QWidget& g = s.open("GrundeinMenu", "Grundeinst");
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

        s.open("GrundeinMenu", "Grundeinst");
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
        UiBench b;
        auto& reset = static_cast<ResetWindow&>(b.open("ResetMenu", "Reset"));
        click(reset, "KonfBut_1");
        b.rig.tick();
        QCOMPARE(b.rig.takeWire(), wire_hex("ED 0F 01 5A 56 18 00 01 00 00 00 00 00 00"));
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
        QWidget& w = b.open("LokEinstMenu", "Lokeinst");
        auto& adr = find<QLineEdit>(w, "LokadrTxt");
        QTest::keyClick(&adr, Qt::Key_1);
        b.rig.tick();
        b.rig.echo();
        QTest::keyClick(&adr, Qt::Key_2);
        b.rig.tick(3);
        const QString read = "ED 0F 01 5A 56 0D 00 %1 00 00 00 00 00 00";
        QCOMPARE(b.rig.takeWire(), wire_hex(read.arg("01") + '|' + read.arg("0C")));
        b.rig.echo();
        auto& list = find<QComboBox>(w, "LokdatenfCO");
        list.setCurrentIndex(0);
        b.rig.sendRaw(peer_message(0x0B, {12, 0, 17, 0, 0, 0, 0})); // DCC 27: not in the list
        b.rig.tick(3);
        QCOMPARE(list.currentText(), "-");
        // An address the station cannot take is refused, not written.
        type(adr, "16384");
        b.rig.tick(3);
        b.rig.echo();
        b.rig.tick(3);
        b.rig.takeWire(); // the read of 1638 typed on the way
        QCOMPARE(find<QPushButton>(w, "SetModeBut").text(), "Einstellung übernehmen");
        click(w, "SetModeBut");
        b.rig.tick(3);
        QCOMPARE(b.rig.texts().last(), "Bitte eine Lokadresse von 1 bis 16383 eingeben!");
        QCOMPARE(b.rig.takeWire(), "");
    }

    void dispatchButtonFollowsTextAndRequest()
    {
        StationUiBench s;
        s.connect();
        QWidget& d = s.open("LokDisp", "DispatchLok");
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
