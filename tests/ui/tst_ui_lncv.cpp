// The LNCV programming window, the module manager and the throttle
// devices' windows, driven through their controls.

#include "sim/lncv_modules.h"
#include "support/ui_bench.h"
#include "ui/f70930.h"

#include <QProgressBar>
#include <QTableView>

namespace {
QString enabled(const QWidget& w)
{
    QString s;
    for (const char* b : {"StartBut", "EndBut", "Rd_lncvBut", "WR_lncvBut"})
        s += find<QPushButton>(w, b).isEnabled() ? '1' : '0';
    return s;
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
        UiBench b;
        QWidget& w = b.open("LNProgMenu", "LNProg");
        QVERIFY(w.isVisible());
        QCOMPARE(enabled(w), "1000");

        type(find<QLineEdit>(w, "LNArtNrTxt"), "12345");
        type(find<QLineEdit>(w, "LNModAdrTxt"), "1");
        // Disconnected, "starten" says so, sends nothing and leaves the buttons.
        click(w, "StartBut");
        b.rig.tick(2);
        QCOMPARE(b.rig.texts().size(), 1);
        QCOMPARE(b.rig.takeWire(), "");
        QCOMPARE(enabled(w), "1000");

        // The module of that article that answers is found at its address.
        b.rig.connect();
        QTest::keyClick(&find<QLineEdit>(w, "LNModAdrTxt"), Qt::Key_Return);
        b.rig.tick();
        b.rig.echo();
        b.rig.sendRaw(sim::LncvModules::answer(1234, 0, 3));
        b.rig.tick();
        QCOMPARE(enabled(w), "0111");
        QCOMPARE(find<QLineEdit>(w, "LNModAdrTxt").text(), "3");
        QCOMPARE(find<QLineEdit>(w, "LNCV_VAL_TXT").text(), "3");

        // LNCV 0 is the module address: the field follows before any answer.
        type(find<QLineEdit>(w, "LNCV_NR_TXT"), "0");
        type(find<QLineEdit>(w, "LNCV_VAL_TXT"), "7");
        click(w, "WR_lncvBut");
        QCOMPARE(find<QLineEdit>(w, "LNModAdrTxt").text(), "7");
        b.rig.tick();
        b.rig.echo();
        b.rig.run(2.1); // no acknowledge: the write ends
        // "beenden" refused: the module is still in programming mode.
        b.rig.core->conn.disconnect_port("1");
        click(w, "EndBut");
        QCOMPARE(enabled(w), "0111");
        b.rig.connect();
        click(w, "EndBut");
        QCOMPARE(enabled(w), "1000");

        // Reopened, it shows the article number as typed and the new address.
        w.close();
        QVERIFY(!w.isVisible());
        find<QAction>(b.win, "LNProgMenu").trigger();
        QCOMPARE(find<QLineEdit>(w, "LNArtNrTxt").text(), "12345");
        QCOMPARE(find<QLineEdit>(w, "LNModAdrTxt").text(), "7");
        QCOMPARE(find<QLineEdit>(w, "LNCV_VAL_TXT").text(), "");
    }

    void deviceWindowsTakeAnAddressFollowTheirLocoAndAreReused()
    {
        UiBench b;
        announce(b.rig, 5);
        QCOMPARE(deviceWindows(b.win).size(), 1);
        F70930& w = *deviceWindows(b.win)[0];
        QVERIFY(w.isVisible());
        QCOMPARE(w.windowTitle(), "PX Fahrpult5");
        auto& ladr = find<QLineEdit>(w, "Ladr");
        auto& ok = find<QPushButton>(w, "OKButton");

        // Ready for an address; what is typed then colours the field.
        QVERIFY(ok.isEnabled() && !red(ladr));
        type(ladr, "10001");
        QVERIFY(!ok.isEnabled() && red(ladr));
        type(ladr, "");
        QVERIFY(!ok.isEnabled() && red(ladr));
        type(ladr, "78x"); // the number it starts with
        QVERIFY(ok.isEnabled() && !red(ladr));
        // Not connected, or while a CV job runs: OK is asked like every
        // other window's action, and stays for another try.
        QTest::keyClick(&ladr, Qt::Key_Return);
        b.rig.connect();
        QVERIFY(b.rig.core->prog.read_one("1"));
        QTest::keyClick(&ladr, Qt::Key_Return);
        QCOMPARE(b.rig.texts(),
                 (QStringList{"Keine Verbindung zur Zentrale: bitte erst \"Verbinden\".",
                              "Bitte warten, bis die Programmierung auf dem Programmiergleis "
                              "beendet ist."}));
        QVERIFY(ok.isEnabled());
        QCOMPARE(b.rig.takeWire(), "E5 07 01 5A 56 41 51"); // the CV job's only
        b.rig.core->conn.disconnect_port("1");
        b.rig.connect();
        QTest::keyClick(&ladr, Qt::Key_Return);
        QVERIFY(!ok.isEnabled());
        QVERIFY(b.rig.core->req.has(JobKind::LncvWrite));

        b.rig.send({0xE7, 0x0E, 0x02, 0x33, 78, 0, 0x20, 0x07, 0, 0, 0, 0, 0});
        b.rig.tick();
        QVERIFY(!ladr.isEnabled());
        QVERIFY(find<QWidget>(w, "DirU1").isVisibleTo(&w));
        QVERIFY(!find<QWidget>(w, "DirO1").isVisibleTo(&w));

        // Announced again, the window's address entry opens.
        announce(b.rig, 5);
        QVERIFY(ladr.isEnabled() && ok.isEnabled());
        QCOMPARE(ladr.text(), "");

        // A second device's window does not cover the first; a closed
        // window serves the next new device.
        announce(b.rig, 6);
        F70930& second = *deviceWindows(b.win)[1];
        QVERIFY(!w.frameGeometry().intersects(second.frameGeometry()));
        w.close();
        announce(b.rig, 7);
        QCOMPARE(deviceWindows(b.win).size(), 2);
        QCOMPARE(w.windowTitle(), "PX Fahrpult7");
        QVERIFY(w.isVisible());
    }

    // The module manager: Enter searches, the first module found is offered,
    // the read fills the values with the progress, and closing the window
    // mid-read takes the module out of programming mode.
    void moduleWindowSearchesReadsAndEndsWhenClosed()
    {
        StationUiBench b;
        b.station.setupDemo();
        b.connect();
        QWidget& w = b.open("LncvModuleMenu", "LncvModule");
        QCOMPARE(w.windowTitle(), "LocoNet Module verwalten");
        const QList<std::pair<const char*, const char*>> captions = {
            {"LmSucheBut", "Suchen"},        {"LmLesenBut", "Alle lesen"},
            {"LmSchreibenBut", "Schreiben"}, {"LmSichernBut", "Sichern…"},
            {"LmDateiBut", "Datei laden…"},  {"LmZurueckBut", "Zurückschreiben"},
            {"LmAbbrechenBut", "Abbrechen"}};
        for (const auto& [name, caption] : captions)
            QCOMPARE(find<QPushButton>(w, name).text(), QString::fromUtf8(caption));
        QCOMPARE(find<QLineEdit>(w, "LmBisTxt").text(), "20");

        QTest::keyClick(&find<QLineEdit>(w, "LmArtNrTxt"), Qt::Key_Return);
        b.rig.run(3);
        auto& modules = find<QTableView>(w, "LmModulTab");
        QCOMPARE(modules.model()->rowCount(), 3);
        QCOMPARE(modules.currentIndex().row(), 0);

        click(w, "LmLesenBut");
        b.rig.run(0.05);
        QVERIFY(!find<QPushButton>(w, "LmLesenBut").isEnabled());
        QVERIFY(find<QPushButton>(w, "LmAbbrechenBut").isEnabled());
        b.rig.run(1);
        QCOMPARE(find<QProgressBar>(w, "LmFortschritt").text(), "LNCV 21 von 21");
        const QAbstractItemModel& values = *find<QTableView>(w, "LmWertTab").model();
        QCOMPARE(values.rowCount(), 21);
        QCOMPARE(values.index(2, 1).data().toString(), "10");
        QCOMPARE(values.index(3, 1).data().toString(), "-");

        click(w, "LmLesenBut");
        b.rig.run(0.05);
        w.close();
        b.rig.run(0.1);
        QVERIFY(!b.rig.core->lncvModules.busy());
        QVERIFY(!b.station.lncvModules().find(1234, 1)->programming);
        QVERIFY(find<QPushButton>(w, "LmLesenBut").isEnabled());
    }
};

QTEST_MAIN(TstLncvWindows)
#include "tst_ui_lncv.moc"
