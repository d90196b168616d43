// The LocoNet Monitor window: opened from "Werkzeuge", watching the bus
// only while shown, pausing, filtering and saving.

#include "loconet/monitor_model.h"
#include "support/ui_bench.h"
#include "ui/ln_monitor.h"

#include <QFileDialog>
#include <QTableView>

class TstMonitor : public QObject {
    Q_OBJECT

  private slots:
    void watchesFiltersAndSavesTheBusOnlyWhileShown()
    {
        UiBench b;
        QVERIFY(!b.win.findChild<LnMonitor*>()); // nothing is made before it is asked for
        auto& monitor = static_cast<LnMonitor&>(b.open("MonitorMenu", "LnMonitor"));
        QCOMPARE(monitor.windowTitle(), QStringLiteral("LocoNet Monitor"));
        const auto& view = find<QTableView>(monitor, "MonitorView");

        b.rig.send({0xB2, 0x02, 0x70});
        QTRY_COMPARE(view.model()->rowCount(), 1);
        QCOMPARE(view.model()->index(0, MonitorModel::Description).data().toString(),
                 QStringLiteral("Rückmelder 6: belegt"));

        click(monitor, "PauseBut");
        b.rig.send({0x83});
        monitor.model().flush();
        QCOMPARE(view.model()->rowCount(), 1);
        click(monitor, "PauseBut");
        QCOMPARE(view.model()->rowCount(), 2);

        monitor.close();
        b.rig.send({0x82});
        monitor.model().flush();
        QCOMPARE(monitor.model().rowCount(), 2);
        find<QAction>(b.win, "MonitorMenu").trigger();
        QCOMPARE(b.win.findChildren<LnMonitor*>().size(), 1); // the same window again

        // An unreadable opcode is named and the last readable filter stays.
        auto& opcode = find<QLineEdit>(monitor, "OpcodeTxt");
        QTest::keyClicks(&opcode, "83");
        QCOMPARE(view.model()->rowCount(), 1);
        QTest::keyClicks(&opcode, "X");
        QCOMPARE(find<QLabel>(monitor, "StatusLbl").text(),
                 QStringLiteral("\"83X\" ist kein Opcode (80 bis FF)"));
        QCOMPARE(view.model()->rowCount(), 1);
        opcode.clear();
        QTest::keyClicks(&find<QLineEdit>(monitor, "FilterTxt"), "MELDER");
        QCOMPARE(view.model()->rowCount(), 1);
        QCOMPARE(find<QLabel>(monitor, "StatusLbl").text(), QStringLiteral("1 von 2 Zeilen"));

        click(monitor, "ClearBut");
        QCOMPARE(monitor.model().rowCount(), 0);

        // A failed save is reported to the user.
        click(monitor, "SaveBut");
        auto& dialog = find<QFileDialog>(monitor, "SaveDialog");
        emit dialog.fileSelected(b.rig.dir.path()); // a folder cannot be written as a file
        QCOMPARE(b.rig.shown.size(), 1);
        QCOMPARE(b.rig.shown[0].title, QStringLiteral("Fehler"));
        QVERIFY(b.rig.shown[0].text.startsWith(b.rig.dir.path() +
                                               " konnte nicht geschrieben werden: "));
    }
};

QTEST_MAIN(TstMonitor)
#include "tst_ui_monitor.moc"
