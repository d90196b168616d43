// The LNCV programming window and the throttle devices' windows, driven
// through their controls.

#include "sim/lncv_modules.h"
#include "support/rig.h"
#include "support/ui_find.h"
#include "ui/f70930.h"
#include "ui/mainwin.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {
QString enabled(const QWidget& w)
{
    QString s;
    for (const char* b : {"StartBut", "EndBut", "Rd_lncvBut", "WR_lncvBut"})
        s += find<QPushButton>(w, b).isEnabled() ? '1' : '0';
    return s;
}

void type(const QWidget& w, const char* field, const QString& text)
{
    find<QLineEdit>(w, field).setText(text);
}

void announce(Rig& rig, int device)
{
    rig.sendRaw(sim::LncvModules::answer(7093, 0, device));
    rig.tick();
}

QList<F70930*> deviceWindows(const MainWin& win)
{
    return win.findChildren<F70930*>("F70930");
}
} // namespace

class TstLncvWindows : public QObject {
    Q_OBJECT

  private slots:
    void lnProgFollowsTheModule()
    {
        Rig rig;
        MainWin win(*rig.core);
        find<QAction>(win, "LNProgMenu").trigger();
        QWidget& w = find<QWidget>(win, "LNProg");
        QVERIFY(w.isVisible());
        QCOMPARE(enabled(w), "1000");

        type(w, "LNArtNrTxt", "12345");
        type(w, "LNModAdrTxt", "1");
        QTest::keyClick(&find<QLineEdit>(w, "LNModAdrTxt"), Qt::Key_Return);
        rig.tick();
        rig.echo();
        rig.sendRaw(sim::LncvModules::answer(1234, 0, 1));
        rig.tick();
        QCOMPARE(enabled(w), "0111");
        QCOMPARE(find<QLineEdit>(w, "LNCV_VAL_TXT").text(), "1");

        // LNCV 0 is the module address: the field follows before any answer.
        type(w, "LNCV_NR_TXT", "0");
        type(w, "LNCV_VAL_TXT", "7");
        QTest::mouseClick(&find<QPushButton>(w, "WR_lncvBut"), Qt::LeftButton);
        QCOMPARE(find<QLineEdit>(w, "LNModAdrTxt").text(), "7");
        QTest::mouseClick(&find<QPushButton>(w, "EndBut"), Qt::LeftButton);
        QCOMPARE(enabled(w), "1000");

        // Reopened, it shows the article number as typed and the new address.
        w.close();
        QVERIFY(!w.isVisible());
        find<QAction>(win, "LNProgMenu").trigger();
        QCOMPARE(find<QLineEdit>(w, "LNArtNrTxt").text(), "12345");
        QCOMPARE(find<QLineEdit>(w, "LNModAdrTxt").text(), "7");
        QCOMPARE(find<QLineEdit>(w, "LNCV_VAL_TXT").text(), "");
    }

    void deviceWindowsTakeAnAddressFollowTheirLocoAndAreReused()
    {
        Rig rig;
        MainWin win(*rig.core);
        announce(rig, 5);
        QCOMPARE(deviceWindows(win).size(), 1);
        F70930& w = *deviceWindows(win)[0];
        QVERIFY(w.isVisible());
        QCOMPARE(w.windowTitle(), "PX Fahrpult5");
        auto& ladr = find<QLineEdit>(w, "Ladr");
        auto& ok = find<QPushButton>(w, "OKButton");

        ladr.setText("10001");
        QVERIFY(!ok.isEnabled());
        QCOMPARE(ladr.palette().color(QPalette::Text), QColor(255, 0, 0));
        ladr.setText("78");
        QTest::keyClick(&ladr, Qt::Key_Return);
        QVERIFY(!ok.isEnabled());
        QCOMPARE(rig.core->req.ReqJob, int(LncvProg::Write));

        rig.send({0xE7, 0x0E, 0x02, 0x33, 78, 0, 0x20, 0x07, 0, 0, 0, 0, 0});
        rig.tick();
        QVERIFY(!ladr.isEnabled());
        QVERIFY(find<QWidget>(w, "DirU1").isVisibleTo(&w));
        QVERIFY(!find<QWidget>(w, "DirO1").isVisibleTo(&w));

        // Announced again, the window's address entry opens.
        announce(rig, 5);
        QVERIFY(ladr.isEnabled());
        QCOMPARE(ladr.text(), "");

        // A second device's window does not cover the first; a closed
        // window serves the next new device.
        announce(rig, 6);
        F70930& second = *deviceWindows(win)[1];
        QVERIFY(!w.frameGeometry().intersects(second.frameGeometry()));
        w.close();
        announce(rig, 7);
        QCOMPARE(deviceWindows(win).size(), 2);
        QCOMPARE(w.windowTitle(), "PX Fahrpult7");
        QVERIFY(w.isVisible());
    }
};

QTEST_MAIN(TstLncvWindows)
#include "tst_ui_lncv.moc"
