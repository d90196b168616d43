// The DCC programming window and the speed-curve window against the
// virtual station's decoder.

#include "core/file_io.h"
#include "programming/cv_table.h"
#include "support/ui_bench.h"
#include "ui/dcc_prog.h"
#include "ui/dcc_prog_speed.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QListWidget>
#include <QTableView>

namespace {
struct Bench : StationUiBench {
    Bench()
    {
        save_file(rig.dir.filePath("Hersteller.dat"), "1: CML\r\n13: Selbstbau\r\n", nullptr);
        station.programmingTrack().setDecoder(sim::Decoder::standard(3));
        connect();
    }
    DCCProg& open()
    {
        auto& w = static_cast<DCCProg&>(UiBench::open("DDCProgMenu", "DCCProg"));
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(&w, &activate);
        return w;
    }
};
} // namespace

class TestDccProg : public QObject {
    Q_OBJECT
  private slots:
    void readsStandardCvsOfTheDecoder()
    {
        Bench b;
        DCCProg& w = b.open();
        QCOMPARE(w.windowTitle(), "DCC Programmierung");
        QCOMPARE(find<QLineEdit>(w, "CVTxt_1").text(), "-");
        find<QPushButton>(w, "DecRdCVBut").click();
        QVERIFY(!find(w, "RDCVBut").isEnabled());
        QVERIFY(find(w, "Cancel").isEnabled());
        b.rig.run(3);
        QCOMPARE(
            (QStringList{find<QLabel>(w, "DCCProgStat").text(),
                         find<QLineEdit>(w, "CVTxt_1").text(), find<QLineEdit>(w, "CVTxt_3").text(),
                         find<QLabel>(w, "CV7Lbl").text(), find<QLabel>(w, "CV8Lbl").text()}),
            (QStringList{" Lesevorgang beendet ", "3", "8", "42", "Selbstbau"}));
        QVERIFY(find<QCheckBox>(w, "CV29Bit_1").isChecked() &&
                find<QCheckBox>(w, "CV29Bit_2").isChecked());
        QVERIFY(!find<QCheckBox>(w, "CV29Bit_5").isChecked());
        auto& list = find<QListWidget>(w, "CVListe");
        QCOMPARE(list.count(), 11);
        QVERIFY(find(w, "RDCVBut").isEnabled());
        QVERIFY(!find(w, "Cancel").isEnabled());

        list.setCurrentRow(10); // CV 29 = 6
        QCOMPARE(find<QLineEdit>(w, "CVAdrTxt").text(), "29");
        QVERIFY(find<QCheckBox>(w, "CVBit_1").isChecked() &&
                find<QCheckBox>(w, "CVBit_2").isChecked());

        // Written back: CV 29 from its boxes, the long address in CV 17 and 18.
        for (int bit : {5, 4, 1})
            find<QCheckBox>(w, QStringLiteral("CV29Bit_%1").arg(bit)).click();
        type(find<QLineEdit>(w, "CVTxt_1"), "1234");
        find<QPushButton>(w, "DecWrCVBut").click();
        b.rig.run(3);
        QCOMPARE(find<QLabel>(w, "DCCProgStat").text(), " Schreibvorgang beendet ");
        const auto& cvs = b.station.programmingTrack().decoder()->cvs;
        QCOMPARE((QList<int>{cvs[1], cvs[17], cvs[18], cvs[29]}), (QList<int>{3, 196, 210, 52}));
    }

    // The buttons stay usable while another window's job runs; a start that
    // cannot run says so and sends nothing. Disconnecting releases them.
    void startsThatCannotRunAreRefused()
    {
        Bench b;
        DCCProg& w = b.open();
        QVERIFY(b.rig.core->lncv.read("12340", "1"));
        b.rig.tick();
        find<QPushButton>(w, "DecRdCVBut").click();
        QCOMPARE(b.rig.texts(),
                 QStringList{"Bitte warten, bis die LNCV-Programmierung beendet ist."});
        QVERIFY(b.rig.core->req.has(JobKind::LncvRead));
        b.rig.run(1.2); // no module answers

        find<QPushButton>(w, "DecRdCVBut").click();
        b.rig.run(0.05);
        QVERIFY(!find(w, "RDCVBut").isEnabled());
        b.rig.core->conn.disconnect_port("1");
        QCOMPARE(find<QLabel>(w, "DCCProgStat").text(), "Abbruch");
        QVERIFY(find(w, "RDCVBut").isEnabled() && !find(w, "Cancel").isEnabled());
        b.rig.takeWire();
        find<QPushButton>(w, "RDCVBut").click();
        b.rig.run(0.1);
        QCOMPARE(b.rig.texts().last(), "Keine Verbindung zur Zentrale: bitte erst \"Verbinden\".");
        QCOMPARE(b.rig.takeWire(), "");
    }

    void numberFieldsGuardTheButtons()
    {
        Bench b;
        DCCProg& w = b.open();
        auto& value = find<QLineEdit>(w, "CVValTxt");
        auto& address = find<QLineEdit>(w, "CVTxt_1");
        value.setText("300");
        QVERIFY(red(value));
        QVERIFY(!find(w, "RDCVBut").isEnabled() && !find(w, "DecWrCVBut").isEnabled());
        address.setText("1234"); // another field changing does not hide the bad value
        QVERIFY(!find(w, "WRCVBut").isEnabled());
        value.setText("-");
        QVERIFY(!red(value));
        QVERIFY(red(address));
        find<QCheckBox>(w, "CV29Bit_5").click(); // long address: up to 10239
        address.setText("1234");
        QVERIFY(!red(address));
        QVERIFY(find(w, "DecWrCVBut").isEnabled());

        find<QCheckBox>(w, "CVBit_7").click();
        find<QCheckBox>(w, "CVBit_0").click();
        QCOMPARE(value.text(), "129");
        value.setText("6");
        QVERIFY(!find<QCheckBox>(w, "CVBit_7").isChecked() &&
                find<QCheckBox>(w, "CVBit_2").isChecked());
    }

    void tableRowsByDialogAndKeys()
    {
        Bench b;
        DCCProg& w = b.open();
        w.show();
        auto& view = find<QTableView>(w, "Tabelle");
        view.setFocus();
        QTest::keyClick(&view, Qt::Key_Insert);
        auto& dialog = find<QDialog>(w, "NeueCVZeile");
        QVERIFY(dialog.isVisible());
        QCOMPARE(find<QLineEdit>(w, "CvTabNameTxt").text(), "----");
        find<QLineEdit>(w, "CVNrTxT").setText("abc");
        find<QPushButton>(w, "Command1").click();
        QVERIFY(dialog.isVisible()); // refused, nothing typed is lost
        QCOMPARE(b.rig.shown.size(), 1);
        find<QLineEdit>(w, "CVNrTxT").setText("49");
        find<QLineEdit>(w, "CVErklTxt").setText("Licht");
        find<QLineEdit>(w, "CvTabNameTxt").setText("Deko");
        find<QPushButton>(w, "Command1").click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(w.table().cell(0, CvTable::ColText), "Licht");
        QCOMPARE(find<QLabel>(w, "TabNameTxt").text(), "Deko");
        w.table().NewRow(3, "Adresse");

        // Escape leaves the table as it was.
        find<QAction>(w, "CVTab_einf").trigger();
        find<QLineEdit>(w, "CVNrTxT").setText("50");
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(w.table().rowCount(), 2);

        // Typing into the value cell, then leaving it.
        view.setFocus();
        view.setCurrentIndex(w.table().index(1, CvTable::ColValue));
        QTest::keyClicks(&view, "300");
        view.setCurrentIndex(w.table().index(1, CvTable::ColCv));
        QCOMPARE(w.table().cell(1, CvTable::ColValue), "300");
        // Selected with a click on the "Op" column, a value over 255 is not written.
        const QRect op = view.visualRect(w.table().index(1, CvTable::ColOp));
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, op.center());
        QVERIFY(w.table().selected(1));
        find<QPushButton>(w, "DecWrUserList").click();
        QVERIFY(find(w, "DecWrUserList").isEnabled());
        QCOMPARE(b.rig.shown.last().text, "CV 49: ungültiger Wert \"300\" (erlaubt: 0 bis 255)");

        // Delete removes a row only when the whole row is selected.
        view.setCurrentIndex(w.table().index(0, CvTable::ColText));
        QTest::keyClick(&view, Qt::Key_Delete);
        QCOMPARE(w.table().rowCount(), 2);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                          view.visualRect(w.table().index(0, CvTable::ColCv)).center());
        QTest::keyClick(&view, Qt::Key_Delete);
        QCOMPARE(w.table().rowCount(), 1);
        QCOMPARE(w.table().cv(0), 49);
    }

    void beendenKeepsTableFrameDiscardsIt()
    {
        Bench b;
        DCCProg* w = &b.open();
        w->table().NewRow(49, "Licht");
        find<QAction>(*w, "EndeMenu").trigger();
        QVERIFY(w->isHidden());
        QCOMPARE(&b.open(), w);
        QCOMPARE(w->table().rowCount(), 1);
        QPointer<DCCProg> gone = w;
        w->close();
        QTRY_VERIFY(!gone);
        DCCProg& fresh = b.open();
        QCOMPARE(fresh.table().rowCount(), 0);
    }

    void speedCurveReadAndDragged()
    {
        Bench b;
        DCCProg& w = b.open();
        find<QAction>(w, "SpeedTabMenu").trigger();
        auto& speed = find<DCCProgSpeed>(b.win, "DCCProgSpeed");
        QVERIFY(speed.isVisible());
        QCOMPARE(speed.windowTitle(), "Fahrstufentabelle");
        find<QPushButton>(speed, "RDTabBut").click();
        QVERIFY(!find<QWidget>(speed, "WRTabBut").isEnabled());
        b.rig.run(5);
        QVERIFY(find<QWidget>(speed, "WRTabBut").isEnabled());
        QCOMPARE(b.rig.core->prog.value(94), 255);
        QVERIFY(find<QCheckBox>(speed, "Y255Chk").isChecked()); // 255 within the drawing

        SpeedCanvas& canvas = speed.canvas();
        canvas.resize(720, 560);
        const QPoint p = canvas.curve().point(0);
        QTest::mousePress(&canvas, Qt::LeftButton, {}, p);
        const QPoint to(p.x(), canvas.curve().yb() - 50 * canvas.curve().sy());
        QMouseEvent move(QEvent::MouseMove, to, canvas.mapToGlobal(to), Qt::NoButton,
                         Qt::LeftButton, {});
        QApplication::sendEvent(&canvas, &move);
        QCOMPARE(b.rig.core->prog.value(67), 50);
        QCOMPARE(find<QLineEdit>(speed, "CVValTxt").text(), "50");

        find<QPushButton>(speed, "WRTabBut").click();
        b.rig.run(5);
        QCOMPARE(b.rig.texts().first(),
                 "Damit die Kennline aktiviert wird, muss Bit 4 in CV 29 auf 1 gesetzen werden!");
        QCOMPARE(b.station.programmingTrack().decoder()->cvs[67], 50);
    }
};

QTEST_MAIN(TestDccProg)
#include "tst_ui_dcc_prog.moc"
