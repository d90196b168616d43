// The throttle panels driving locos of the virtual station in memory: what
// the controls and keys put on the wire and what the panels show.

#include "sim/sim_bench.h"
#include "support/ui_bench.h"
#include "ui/lamp.h"
#include "ui/loco_picture.h"
#include "ui/speed_pointer.h"
#include "ui/throttle_panel.h"

#include <QImage>
#include <QScrollBar>

namespace {
// A connected program with its main window shown, against the virtual
// station; the first loco it is given gets slot 1.
struct Layout : StationUiBench {
    explicit Layout(int stationType = 2) : StationUiBench({.stationType = stationType})
    {
        win.show();
        win.activateWindow();
        static_cast<void>(QTest::qWaitForWindowActive(&win));
        connect();
    }
    QScrollBar& bar() { return w<QScrollBar>("FSTScroll_0"); }
    int fkt(int index) { return w<Lamp>(QStringLiteral("FKT_%1").arg(index)).colour(); }
    QString speedLbl() { return w<QLabel>("SpeedLbl_0").text(); }
    // Types the address into a panel and presses Enter; what that sent.
    QString bind(int panel, const QString& adr)
    {
        auto& field = w<QLineEdit>(QStringLiteral("LokAdr_%1").arg(panel));
        type(field, adr);
        QTest::keyClick(&field, Qt::Key_Return);
        return sent();
    }
    // What the program sent meanwhile, after the station has answered.
    QString sent()
    {
        rig.run(0.3);
        return rig.takeWire();
    }
    void key(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }
};

void save_picture(const QString& dir, const QString& name)
{
    QImage img(8, 4, QImage::Format_RGB32);
    img.fill(Qt::red);
    QVERIFY(img.save(dir + u'/' + name, "BMP"));
}
} // namespace

// How the panel came to the loco before the action.
enum class Bound { Enter, Typed, EnterThen20ms, AfterFailure };

struct KeyRow {
    int panel;
    Bound how;
    // "=<n>": the bar set to n; a control's name: clicked; else keys, the
    // second pressed while the first change is on its way ("5, 9").
    QString action;
    QString sent;
};
Q_DECLARE_METATYPE(KeyRow)

struct SpeedRow {
    int format; // -1: the station names no format
    int speed;
    QString shown, name, sent;
};
Q_DECLARE_METATYPE(SpeedRow)

struct FunctionRow {
    int type;       // station type
    QString before; // function bytes from another device
    int index;
    QString sent;
    int was; // the indicator until the bus has it back
    int now;
};
Q_DECLARE_METATYPE(FunctionRow)

class TestThrottlePanels : public QObject {
    Q_OBJECT
  private slots:
    // Loco 3 runs in reverse at 0x40 with F1, F6, F12 and F13 on when the
    // panel takes it: by Enter (the focus then on the bar), by typing its
    // address and going to the bar with Tab, by an action 20 ms after Enter,
    // or after its first request went unanswered.
    void speedBarAndKeys_data()
    {
        QTest::addColumn<KeyRow>("row");
        const QString bind = "BE 00 03|ED 0F 01 5A 56 0D 00 03 00 00 00 00 00 00|";
        const auto row = [&](const char* name, const char* action, const char* sent,
                             Bound how = Bound::Enter, int panel = 0) {
            const QString prefix = how == Bound::Enter          ? ""
                                   : how == Bound::AfterFailure ? "BE 00 03|" + bind
                                                                : bind;
            QTest::newRow(name) << KeyRow{panel, how, action, wire_hex(prefix + sent)};
        };
        row("bar 1: never the emergency stop", "=1", "A0 01 02");
        row("bar 126: full speed", "=126", "A0 01 7F");
        row("bar 0: stop", "=0", "A0 01 00");
        row("1: 14, never 1", "1", "A0 01 0E");
        row("Escape: light", "Esc", "A1 01 31");
        row("F3", "F3", "A1 01 25");
        row("F12", "F12", "D4 20 01 05 00");
        row("minus: forward, stop", "-", "A1 01 01|A0 01 00");
        row("<: reverse, stop", "<", "A1 01 21|A0 01 00");
        row("Backspace: turn round, stop", "Backspace", "A1 01 01|A0 01 00");
        row("arrow up", "Up", "A0 01 41");
        row("A: to the address", "A", "");
        // The first change's echo must not undo the second before it is sent.
        row("5, then 9", "5, 9", "A0 01 47|A0 01 7F");
        row("F1, then F2", "F1, F2", "A1 01 20|A1 01 22");
        row("F5, then F6", "F5, F6", "A2 01 03|A2 01 01");
        row("picture: direction only", "LokImage_0", "A1 01 01");

        const Bound typed = Bound::Typed;
        row("no Enter: bar", "=60", "A0 01 3D", typed);
        row("no Enter: Escape", "Esc", "A1 01 31", typed);
        row("no Enter: Backspace", "Backspace", "A1 01 01|A0 01 00", typed);
        row("no Enter: DIR_0", "DIR_0", "A1 01 01|A0 01 00", typed);
        row("no Enter: picture", "LokImage_0", "A1 01 01", typed);
        row("no Enter: Licht", "FCmd_0", "A1 01 31", typed);
        row("panel 1, no Enter: Licht", "FCmd_29", "A1 01 31", typed, 1);
        row("panel 1, no Enter: DIR_3", "DIR_3", "A1 01 21|A0 01 00", typed, 1);
        row("panel 1, no Enter: picture", "LokImage_1", "A1 01 01", typed, 1);

        const Bound soon = Bound::EnterThen20ms;
        row("20 ms after Enter: Licht", "FCmd_0", "A1 01 31", soon);
        row("20 ms after Enter: DIR_0", "DIR_0", "A1 01 01|A0 01 00", soon);
        row("panel 1, 20 ms after Enter: F10", "FCmd_39", "D4 20 01 07 22", soon, 1);

        const Bound failed = Bound::AfterFailure;
        row("after no answer: Licht", "FCmd_0", "A1 01 31", failed);
        row("after no answer: F13", "FCmd_13", "D4 20 01 08 00", failed);
        row("panel 1, after no answer: DIR_2", "DIR_2", "A1 01 01|A0 01 00", failed, 1);
    }
    void speedBarAndKeys()
    {
        QFETCH(KeyRow, row);
        const auto& [panel, how, action, sent] = row;
        Layout l;
        l.station.throttleSpeed(3, 0x40);
        l.station.throttleDirf(3, 0x21);
        l.station.throttleFunction(3, 6, true);
        l.rig.run(0.1);
        l.rig.sendRaw(framedAll("D4 20 01 05 10|D4 20 01 08 01"));
        l.sent();
        const QString n = QString::number(panel);
        auto& tabs = l.w<QTabWidget>("MainTab");
        tabs.setCurrentIndex(panel);
        auto& field = l.w<QLineEdit>("LokAdr_" + n);
        auto& bar = l.w<QScrollBar>("FSTScroll_" + n);
        type(field, "3");
        if (how == Bound::Typed) {
            QTest::keyClick(&field, Qt::Key_Tab);
        } else if (how == Bound::AfterFailure) {
            // The station hears the request but gives no slot.
            l.rig.station = [&] { l.rig.bus.write(l.rig.bus.readAll()); };
            QTest::keyClick(&field, Qt::Key_Return);
            l.rig.run(2.1);
            QCOMPARE(l.rig.texts(), QStringList{"Keine Antwort auf Lokanfrage erhalten!"});
            l.rig.station = [&] { l.station.poll(); };
        } else {
            QTest::keyClick(&field, Qt::Key_Return);
            if (how == Bound::Enter)
                l.sent();
            else
                l.rig.run(0.02);
        }
        const QKeySequence keys(action);
        if (action.startsWith('='))
            bar.setValue(action.mid(1).toInt());
        else if (action.contains('_'))
            QTest::mouseClick(&l.w<QWidget>(action), Qt::LeftButton);
        else
            l.key(keys[0].key());
        l.rig.tick();
        if (keys.count() > 1)
            l.key(keys[1].key());
        // A throttle request leaves the panel and STOP usable.
        QVERIFY(tabs.isEnabled() && l.w<QPushButton>("StopGoBut").isEnabled());
        QCOMPARE(l.sent(), sent);
        QCOMPARE(l.rig.core->throttle.SpeedFrac[size_t(panel)], bar.value() / 126.0);
        QCOMPARE(l.w<QLabel>("ProtLbL_" + n).text(), QStringLiteral("DCC - 28"));
        if (action == "A")
            QCOMPARE(QApplication::focusWidget(), &field);
    }

    // Another throttle sets the speed of a loco the panel drives at 60.
    void speedFromAnotherThrottle_data()
    {
        QTest::addColumn<SpeedRow>("row");
        auto row = [](const char* name, int format, int speed, const char* shown, const char* fmt,
                      const char* sent = "") {
            QTest::newRow(name) << SpeedRow{format, speed, QString(shown), QString(fmt),
                                            wire_hex(sent)};
        };
        row("14 steps", sim::Dcc14, 10, "2", "DCC - 14");
        row("no format: step kept", -1, 100, "14", " - ");
        row("emergency stop: the panel sends stop", sim::Dcc28, 1, "0", "DCC - 28", "A0 01 00");
    }
    void speedFromAnotherThrottle()
    {
        QFETCH(SpeedRow, row);
        const auto& [format, speed, shown, name, sent] = row;
        Layout l;
        if (format >= 0)
            l.station.settings().setLoco(3, {format, 0});
        l.bind(0, "3");
        l.bar().setValue(60);
        l.sent();
        if (format < 0)
            l.rig.sendRaw(peer_message(0x0B, {3, 0, 5, 0, 0, 0, 0}));
        l.station.throttleSpeed(3, speed);
        QCOMPARE(l.sent(), sent);
        QCOMPARE(l.speedLbl(), shown);
        QCOMPARE(l.bar().value(), std::max(speed - 1, 0));
        QCOMPARE(l.w<QLabel>("ProtLbL_0").text(), name);
    }

    void newAddressBlanksAtOnceAndBindsAfterEnter()
    {
        Layout l;
        QCOMPARE(l.bind(0, "16384"), QString()); // no loco address: ignored, no message
        l.bind(0, "3");                          // no pictures at all: an empty one, no message
        QCOMPARE(l.w<LocoPicture>("LokImage_0").file(), QString());
        save_picture(l.rig.dir.path(), "Lok0.bmp");
        save_picture(l.rig.dir.path(), "Loklv.bmp");
        click(l.win, "FCmd_0");
        l.sent();
        l.bar().setValue(60);
        l.sent();
        QVERIFY(l.w<LocoPicture>("LokImage_0").file().endsWith("/Loklv.bmp"));

        QTest::keyClick(&l.w<QLineEdit>("LokAdr_0"), Qt::Key_5); // "35"
        QCOMPARE(l.speedLbl(), QStringLiteral("-"));
        QCOMPARE(l.bar().value(), 0);
        QCOMPARE(l.fkt(12), colour::Grey);
        QCOMPARE(l.fkt(13), colour::White); // kept for stations that never report it
        QVERIFY(l.w<LocoPicture>("LokImage_0").file().endsWith("/Lok0.bmp"));
        QCOMPARE(l.sent(), QString());

        QTest::keyClick(&l.w<QLineEdit>("LokAdr_0"), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), &l.bar());
        QVERIFY(l.sent().startsWith(wire_hex("BE 00 23")));
        QCOMPARE(l.rig.core->loco.ThrSlot[0], 2);
        QCOMPARE(l.fkt(0), colour::White);
        QCOMPARE(l.w<QLabel>("ProtLbL_0").text(), QStringLiteral("DCC - 28"));
        // Lokv.bmp is missing: Lok0.bmp stands in.
        QVERIFY(l.w<LocoPicture>("LokImage_0").file().endsWith("/Lok0.bmp"));
        QCOMPARE(l.rig.texts(), QStringList());

        // STOP while the loco is being bound goes out at once and does not
        // leave the loco without its format.
        type(l.w<QLineEdit>("LokAdr_0"), "4");
        QTest::keyClick(&l.w<QLineEdit>("LokAdr_0"), Qt::Key_Return);
        l.rig.run(0.02);
        click(l.win, "StopGoBut");
        QVERIFY(l.sent().contains(wire_hex("82")));
        QCOMPARE(l.w<QLabel>("ProtLbL_0").text(), QStringLiteral("DCC - 28"));
        QCOMPARE(l.rig.texts(), QStringList());
    }

    void functionButtons_data()
    {
        QTest::addColumn<FunctionRow>("row");
        auto row = [](const char* name, const char* before, int index, const char* sent,
                      int type = 2, int was = colour::White, int now = colour::Yellow) {
            QTest::newRow(name) << FunctionRow{type, QString(before), index, wire_hex(sent), was,
                                               now};
        };
        const int Y = colour::Yellow, W = colour::White;
        // Direction and sound bytes show at once, function groups when they are back.
        row("Licht", "", 0, "A1 01 10", 2, Y);
        row("F5", "", 5, "A2 01 01", 2, Y);
        row("F10 with Ext(7) 0x13", "D4 20 01 07 13", 10, "D4 20 01 07 33");
        row("F28", "", 28, "D4 20 01 05 40");
        row("F13", "", 13, "D4 20 01 08 01");
        row("F27", "", 27, "D4 20 01 09 40");
        row("FCmd_30: panel 1, F1", "", 30, "A1 01 01", 2, Y);
        // Stations that do not report F9..F28 leave their indicators alone;
        // F13..F28 are never greyed, or they would stay grey.
        row("F10, station type 1", "", 10, "D4 20 01 07 20", 1, colour::Grey, colour::Grey);
        row("F13, station type 1", "", 13, "D4 20 01 08 01", 1, W, W);
        row("F8, station type 1", "", 8, "A2 01 08", 1, Y);
    }
    void functionButtons()
    {
        QFETCH(FunctionRow, row);
        const auto& [type, before, index, sent, was, now] = row;
        Layout l(type);
        l.bind(0, "3");
        l.bind(1, "3"); // the same loco on both panels
        l.rig.sendRaw(framedAll(before));
        l.sent();
        QTest::mouseClick(&l.w<QPushButton>(QStringLiteral("FCmd_%1").arg(index)), Qt::LeftButton);
        // A refresh from the bus before the change has gone out keeps it shown.
        l.rig.sendRaw(framed("A0 01 00"));
        QCOMPARE(l.fkt(index), was);
        if (index == 5) // F5..F8 are kept in Ext(7) too
            QCOMPARE(l.rig.core->loco.ThrLoco[0].Ext[7], 0x01);
        QCOMPARE(l.sent(), sent);
        const int n = index % 29;
        QCOMPARE(l.fkt(n), now);
        QCOMPARE(l.fkt(29 + n), now);
    }

    void keysReachTheirPlace()
    {
        Layout l;
        l.bind(0, "3");
        auto& tabs = l.w<QTabWidget>("MainTab");
        // Text fields keep their keys.
        l.w<QLineEdit>("MesTxt").setFocus();
        QTest::keyClicks(QApplication::focusWidget(), "T5");
        l.w<QLineEdit>("LokAdr_0").setFocus();
        l.key(Qt::Key_T);
        l.key(Qt::Key_F2);
        QCOMPARE(l.w<QLineEdit>("MesTxt").text(), QStringLiteral("T5"));
        QCOMPARE(tabs.currentIndex(), 0);
        QCOMPARE(l.sent(), QString());
        // While a long job holds the window, keys start nothing.
        QVERIFY(l.rig.core->lokSettings.write(5, 3));
        l.rig.takeWire();
        l.w<QPushButton>("OpenPortBut_0").setFocus();
        l.key(Qt::Key_5);
        QCOMPARE(l.rig.takeWire(), QString());
        QVERIFY(l.rig.texts().isEmpty());
        l.sent();
        // "T" from the page goes on to the next page.
        l.w<QPushButton>("FCmd_5").setFocus();
        l.key(Qt::Key_T);
        QCOMPARE(tabs.currentIndex(), 1);
    }

    // The pointer's timer runs only while connected and on its way.
    void speedPointerMovesOnlyWhileConnectedAndOnItsWay()
    {
        Layout l;
        l.bind(0, "3");
        auto& timer = l.w<QTimer>("Zeiger_Timer_0");
        auto& panel = l.w<ThrottlePanel>("Fahrpult_0");
        for (int i = 0; i < 60 && timer.isActive(); ++i)
            panel.zeiger_timer();
        QVERIFY(!timer.isActive()); // standing at 0: nothing to do
        l.key(Qt::Key_9);
        l.sent();
        QVERIFY(timer.isActive());
        panel.zeiger_timer();
        QCOMPARE(l.w<SpeedPointer>("Zeiger_0").level(), 0.25); // a quarter of the way to full
        for (int i = 0; i < 60 && timer.isActive(); ++i)
            panel.zeiger_timer();
        QCOMPARE(l.w<SpeedPointer>("Zeiger_0").level(), 1.0);
        QVERIFY(!timer.isActive());
        l.key(Qt::Key_0);
        click(l.win, "OpenPortBut_0");
        QVERIFY(!timer.isActive());
    }
};

QTEST_MAIN(TestThrottlePanels)
#include "tst_ui_throttle.moc"
