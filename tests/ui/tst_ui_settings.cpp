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

QLineEdit& field(MainWin& win, const char* window, const char* name)
{
    return find<QLineEdit>(find<QWidget>(win, window), name);
}
} // namespace

class TestUiSettings : public QObject {
    Q_OBJECT
  private slots:
    void soButtonsFollowBothFields_data();
    void soButtonsFollowBothFields();
    void soReadFillsFieldsAndDashIsRefused();
    void baseSettingsReadOnOpenWrittenOnAccept();
    void resetSendsAndBlinksForTenSeconds();
    void lokeinstReadsEachTypedAddress();
    void lokeinstShowsAndWritesFormat();
    void dispatchButtonFollowsTextAndRequest();
};

void TestUiSettings::soButtonsFollowBothFields_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("start") << "1"
                           << "-" << true;
    QTest::newRow("255") << "5"
                         << "255" << true;
    QTest::newRow("256") << "5"
                         << "256" << false;
    QTest::newRow("letter in number") << "5a"
                                      << "3" << false;
    QTest::newRow("number 1024") << "1024"
                                 << "3" << false;
}

void TestUiSettings::soButtonsFollowBothFields()
{
    QFETCH(QString, number);
    QFETCH(QString, value);
    QFETCH(bool, enabled);
    Rig rig;
    MainWin win(*rig.core);
    find<QAction>(win, "SOMenu").trigger();
    QLineEdit& nr = field(win, "SOWin", "SO_NR_TXT");
    QLineEdit& val = field(win, "SOWin", "SO_VAL_TXT");
    type(nr, number);
    type(val, value);
    QCOMPARE(find<QPushButton>(win, "rd_so").isEnabled(), enabled);
    QCOMPARE(find<QPushButton>(win, "wr_so").isEnabled(), enabled);
    QCOMPARE(red(nr) || red(val), !enabled);
}

void TestUiSettings::soReadFillsFieldsAndDashIsRefused()
{
    StationRig s;
    MainWin win(*s.rig.core);
    find<QAction>(win, "SOMenu").trigger();
    QLineEdit& nr = field(win, "SOWin", "SO_NR_TXT");
    type(nr, "14");
    QTest::keyClick(&nr, Qt::Key_Return);
    s.rig.run(0.2);
    QCOMPARE(field(win, "SOWin", "SO_VAL_TXT").text(), "20");

    type(nr, "-");
    QTest::mouseClick(&find<QPushButton>(win, "rd_so"), Qt::LeftButton);
    s.rig.run(0.2);
    QCOMPARE(s.rig.takeWire().count("ED 0F"), 1);
    QCOMPARE(s.rig.texts(),
             QStringList{"Bitte die Nummer der Sonderoption eingeben (0 bis 1023)!"});
}

void TestUiSettings::baseSettingsReadOnOpenWrittenOnAccept()
{
    StationRig s;
    s.station.settings().setOption(97, 0);
    MainWin win(*s.rig.core);
    find<QAction>(win, "GrundeinMenu").trigger();
    s.rig.run(0.5);
    QWidget& g = find<QWidget>(win, "Grundeinst");
    QCOMPARE(find<QComboBox>(g, "LokdatenfCO").currentText(), "DCC 28");
    QCOMPARE(find<QComboBox>(g, "MagdatenfCO").currentText(), "DCC");
    QCOMPARE(find<QLineEdit>(g, "MagZeitTxt_0").text(), "100");
    QVERIFY(find<QCheckBox>(g, "StopModeChk").isChecked());

    type(find<QLineEdit>(g, "MagZeitTxt_1"), "1075");
    type(find<QLineEdit>(g, "MagPakTxt"), "300");
    QCOMPARE(find<QLineEdit>(g, "MagPakTxt").text(), "255");
    find<QCheckBox>(g, "StopModeChk").setChecked(false);
    QTest::mouseClick(&find<QPushButton>(g, "SetModesBut"), Qt::LeftButton);
    QVERIFY(!g.isVisible());
    s.rig.run(0.5);
    QCOMPARE(s.station.settings().option(14), 22);
    QCOMPARE(s.station.settings().option(35), 255);
    QCOMPARE(s.station.settings().option(97), 1);

    // An empty field is refused and nothing is written.
    find<QAction>(win, "GrundeinMenu").trigger();
    s.rig.run(0.5);
    s.rig.takeWire();
    type(find<QLineEdit>(g, "MagZeitTxt_0"), "");
    QTest::mouseClick(&find<QPushButton>(g, "SetModesBut"), Qt::LeftButton);
    s.rig.run(0.2);
    QVERIFY(g.isVisible());
    QCOMPARE(s.rig.takeWire(), QString());
    QCOMPARE(s.rig.texts(),
             QStringList{"Ungültige Eingabe: min. Einschaltzeit Magnetartikel (ms):"});
}

void TestUiSettings::resetSendsAndBlinksForTenSeconds()
{
    Rig rig;
    MainWin win(*rig.core);
    find<QAction>(win, "ResetMenu").trigger();
    auto& reset = find<ResetWindow>(win, "Reset");
    QTest::mouseClick(&find<QPushButton>(reset, "KonfBut_1"), Qt::LeftButton);
    rig.tick();
    QCOMPARE(rig.takeWire(),
             ln::hex(ln::frame({0xED, 0x0F, 0x01, 0x5A, 0x56, 0x18, 0, 1, 0, 0, 0, 0, 0, 0})));
    QVERIFY(find<QTimer>(reset, "TimerWarten").isActive());
    auto& label = find<QLabel>(reset, "WartenLbl");
    for (int tick = 1; tick < ResetWindow::WaitTicks; ++tick) {
        reset.timer_warten();
        QVERIFY(label.isVisible());
        QVERIFY(!find<QPushButton>(reset, "KonfBut_0").isVisible());
        QCOMPARE(red(label, QPalette::WindowText), tick % 2 == 0);
    }
    reset.timer_warten();
    QVERIFY(!label.isVisible());
    QVERIFY(find<QPushButton>(reset, "KonfBut_2").isVisible());
    QVERIFY(!find<QTimer>(reset, "TimerWarten").isActive());
}

void TestUiSettings::lokeinstReadsEachTypedAddress()
{
    Rig rig;
    MainWin win(*rig.core);
    find<QAction>(win, "LokEinstMenu").trigger();
    QLineEdit& adr = field(win, "Lokeinst", "LokadrTxt");
    QTest::keyClick(&adr, Qt::Key_1);
    rig.tick();
    rig.echo();
    QTest::keyClick(&adr, Qt::Key_2);
    rig.tick(3);
    const auto read = [](int adr) {
        return ln::frame({0xED, 0x0F, 0x01, 0x5A, 0x56, 0x0D, 0, adr, 0, 0, 0, 0, 0, 0});
    };
    QCOMPARE(rig.takeWire(), ln::hex(read(1) + read(12)));
}

void TestUiSettings::lokeinstShowsAndWritesFormat()
{
    StationRig s;
    s.station.settings().setLoco(5, {sim::Dcc27, 0});
    MainWin win(*s.rig.core);
    find<QAction>(win, "LokEinstMenu").trigger();
    QWidget& w = find<QWidget>(win, "Lokeinst");
    auto& list = find<QComboBox>(w, "LokdatenfCO");
    type(find<QLineEdit>(w, "LokadrTxt"), "5");
    s.rig.run(0.2);
    QCOMPARE(list.currentText(), "-");
    s.rig.takeWire();
    QTest::mouseClick(&find<QPushButton>(w, "SetModeBut"), Qt::LeftButton);
    s.rig.run(0.2);
    QCOMPARE(s.rig.takeWire(), QString()); // "-" is not written

    type(find<QLineEdit>(w, "LokadrTxt"), "3");
    s.rig.run(0.2);
    QCOMPARE(list.currentText(), "DCC - 28");
    list.setCurrentIndex(4);
    QTest::mouseClick(&find<QPushButton>(w, "SetModeBut"), Qt::LeftButton);
    s.rig.run(0.2);
    QCOMPARE(s.station.settings().loco(3).format, int(sim::Dcc128));
    QCOMPARE(s.rig.texts(), QStringList{});
}

void TestUiSettings::dispatchButtonFollowsTextAndRequest()
{
    StationRig s;
    MainWin win(*s.rig.core);
    find<QAction>(win, "LokDisp").trigger();
    QLineEdit& adr = field(win, "DispatchLok", "LokadrTxt");
    auto& button = find<QPushButton>(win, "DispBut");
    QVERIFY(!button.isEnabled());
    for (const char* text : {"3x", "10000", "0"}) {
        type(adr, text);
        QVERIFY2(!button.isEnabled(), text);
    }
    QVERIFY(red(adr));
    type(adr, "3");
    QVERIFY(button.isEnabled() && !red(adr));
    QTest::mouseClick(&button, Qt::LeftButton);
    QVERIFY(!button.isEnabled());
    s.rig.run(0.3);
    QVERIFY(button.isEnabled());
    const int slot = s.station.slotTable().find(3);
    QVERIFY(slot > 0);
    QCOMPARE(s.station.slotTable().dispatched(), slot);
    QCOMPARE(s.rig.texts(), QStringList{});
}

QTEST_MAIN(TestUiSettings)
#include "tst_ui_settings.moc"
