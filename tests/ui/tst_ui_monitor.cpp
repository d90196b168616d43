// The LocoNet Monitor window: opened from "Werkzeuge", watching the bus
// only while shown, pausing, filtering, saving and loading.

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

    // A loaded file stands alone: the bus is held back by the pause.
    void loadsASavedFileAndHoldsTheBusBack()
    {
        UiBench b;
        auto& monitor = static_cast<LnMonitor&>(b.open("MonitorMenu", "LnMonitor"));
        const auto& view = find<QTableView>(monitor, "MonitorView");
        const QString path = b.rig.dir.filePath("saved.txt");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("    1.250  TX  B0 13 30 6C\nkein Hex\n");
        f.close();
        const auto load = [&](const QString& file) {
            click(monitor, "LoadBut");
            emit find<QFileDialog>(monitor, "OpenDialog").fileSelected(file);
        };
        load(path);
        QVERIFY(find<QPushButton>(monitor, "PauseBut").isChecked());
        QCOMPARE(view.model()->rowCount(), 1);
        QCOMPARE(view.model()->index(0, MonitorModel::Description).data().toString(),
                 QStringLiteral("Weiche 20: grün, Ausgang ein"));
        QCOMPARE(b.rig.shown.size(), 1);
        QCOMPARE(b.rig.shown[0].text,
                 "In " + path + " ist Zeile 2 keine LocoNet-Nachricht; sie wurde übersprungen.");
        b.rig.send({0x83});
        monitor.model().flush();
        QCOMPARE(view.model()->rowCount(), 1);

        load(b.rig.dir.path()); // a folder cannot be read as a file
        QCOMPARE(b.rig.shown.size(), 2);
        QVERIFY(
            b.rig.shown[1].text.startsWith(b.rig.dir.path() + " konnte nicht gelesen werden: "));
    }
};

QTEST_MAIN(TstMonitor)
#include "tst_ui_monitor.moc"
