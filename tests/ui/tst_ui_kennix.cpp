// The receiver windows, the question when one is closed, and the names window.

#include "support/ui_bench.h"
#include "ui/kennix_win.h"

#include <QDialog>

namespace {
void loco_report(Rig& rig, int receiver, int loco)
{
    rig.send({0xE4, 0x08, 2, 0x40 | receiver >> 7, receiver & 0x7F, loco >> 7, loco & 0x7F});
    rig.tick();
}
QList<KennixWin*> windows(const MainWin& win)
{
    return win.findChildren<KennixWin*>("KennixWin");
}
// Counts the events of one type a widget gets.
struct EventCount : QObject {
    EventCount(QWidget& w, QEvent::Type type) : type(type) { w.installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override
    {
        count += e->type() == type;
        return false;
    }
    QEvent::Type type;
    int count = 0;
};
} // namespace

class TstKennixWindows : public QObject {
    Q_OBJECT

  private slots:
    void closeAsks_data()
    {
        QTest::addColumn<QString>("answer"); // a button, or the key that answers
        QTest::addColumn<bool>("shownAfterReport");
        QTest::newRow("Nein") << "OKButton" << false;
        QTest::newRow("Enter is Ja") << "Return" << true;
        QTest::newRow("Escape keeps it open") << "Escape" << true;
    }
    void closeAsks()
    {
        QFETCH(QString, answer);
        QFETCH(bool, shownAfterReport);
        UiBench b;
        auto& dialog = find<QDialog>(b.win, "Dialog");
        auto& nein = find<QPushButton>(dialog, "OKButton");
        loco_report(b.rig, 9, 1); // an earlier question, answered "Nein"
        windows(b.win)[0]->close();
        QTest::mouseClick(&nein, Qt::LeftButton);
        loco_report(b.rig, 133, 42);
        loco_report(b.rig, 7, 3);
        // The closed window serves the next receiver, tiled as a new one.
        KennixWin& kw = *windows(b.win)[0];
        QCOMPARE(kw.windowTitle(), "Kennix Empfänger:  133");
        QCOMPARE(windows(b.win)[1]->pos(), kw.pos() + QPoint(kw.frameGeometry().width(), 0));
        kw.move(333, 222);
        kw.close();
        windows(b.win)[1]->close(); // one question at a time
        QVERIFY(kw.isVisible() && dialog.isVisible() && windows(b.win)[1]->isVisible());
        QCOMPARE(dialog.windowTitle(), "Kennix Fenster schließen?");
        QCOMPARE(find<QLabel>(dialog, "FrageTxt").text(),
                 "Soll der Kennix mit der Adresse 133 beim nächsten Mal wieder angezeigt werden?");
        QCOMPARE(find<QPushButton>(dialog, "CancelButton").text(), "Ja");
        QCOMPARE(nein.text(), "Nein");
        loco_report(b.rig, 133, 77); // still followed while the question is open
        QCOMPARE(find<QLabel>(kw, "LadrTxt").text(), "77");

        if (answer == "OKButton")
            QTest::mouseClick(&nein, Qt::LeftButton);
        else
            QTest::keyClick(dialog.focusWidget(),
                            answer == "Return" ? Qt::Key_Return : Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(kw.isVisible(), answer == "Escape");
        kw.move(0, 0);
        loco_report(b.rig, 133, 5);
        QCOMPARE(windows(b.win).size(), 2);
        QCOMPARE(kw.isVisible(), shownAfterReport);
        if (answer == "Return") // reopened where it was closed
            QCOMPARE(kw.pos(), QPoint(333, 222));
    }

    // Reports open and update a window without taking the keyboard from the
    // window in use or coming up over it.
    void reportsLeaveTheWindowInUseOnTop()
    {
        UiBench b;
        b.win.show();
        QWidget& editor = b.open("FaStrEdit", "FaStrEditForm");
        QVERIFY(QTest::qWaitForWindowActive(&editor));
        loco_report(b.rig, 9, 1);
        KennixWin& kw = *windows(b.win)[0];
        QVERIFY(kw.isVisible());
        // No dialog of the main window, which the window manager keeps over it.
        QCOMPARE(kw.windowHandle()->transientParent(), nullptr);
        EventCount raised(kw, QEvent::ZOrderChange);
        loco_report(b.rig, 9, 2);
        b.rig.send({0xE4, 0x08, 0, 0x20, 9, 0, 50}); // speed
        b.rig.tick();
        QCOMPARE(find<QLabel>(kw, "SpeedTxt").text(), "50 Km/h");
        QCOMPARE(raised.count, 0);
        QCOMPARE(QApplication::activeWindow(), &editor);
    }

    // A clear report puts the window where it was when it last lost focus.
    void lostFocusSavesThePosition()
    {
        UiBench b;
        b.win.show();
        loco_report(b.rig, 9, 1);
        KennixWin& kw = *windows(b.win)[0];
        kw.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &kw);
        kw.move(333, 222);
        b.win.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &b.win);
        kw.move(0, 0);
        b.rig.send({0xE4, 0x08, 1, 0x20, 9, 0, 2});
        b.rig.tick();
        QCOMPARE(kw.pos(), QPoint(333, 222));
    }

    void namesWindowEditsTheNames()
    {
        UiBench b;
        b.rig.core->kennix.ZkName = {"A", "B", "C", "D"};
        auto& names = find<QDialog>(b.win, "ZKNamen");
        auto& second = find<QLineEdit>(names, "ZkTXT_1");
        auto open = [&] { find<QAction>(b.win, "ZkNamenMenu").trigger(); };

        open();
        QCOMPARE(names.windowTitle(), "Namen für Kennix Zugkat.");
        QCOMPARE(second.text(), "B");
        second.clear();
        QTest::keyClicks(&second, "Gueter\"zug"); // zk.dat cannot hold a quote
        QTest::keyClick(&second, Qt::Key_Return);
        QVERIFY(!names.isVisible());
        QCOMPARE(b.rig.core->kennix.ZkName, (ZkNames{"A", "Gueterzug", "C", "D"}));

        open();
        QTest::keyClicks(&second, "x");
        QTest::keyClick(&second, Qt::Key_Escape); // drops the edit
        open();
        QCOMPARE(second.text(), "Gueterzug");
    }
};

QTEST_MAIN(TstKennixWindows)
#include "tst_ui_kennix.moc"
