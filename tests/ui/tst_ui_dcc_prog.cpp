// The DCC programming window and the speed-curve window against the
// virtual station's decoder.

#include "core/file_io.h"
#include "programming/cv_table.h"
#include "sim/virtual_station.h"
#include "support/rig.h"
#include "support/ui_find.h"
#include "ui/dcc_prog.h"
#include "ui/dcc_prog_speed.h"
#include "ui/mainwin.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

namespace {
struct Bench {
    Rig rig;
    sim::VirtualStation station{rig.bus, rig.clock};
    MainWin win{*rig.core};

    Bench()
    {
        save_file(rig.dir.filePath("Hersteller.dat"), "1: CML\r\n13: Selbstbau\r\n", nullptr);
        station.programmingTrack().setDecoder(sim::Decoder::standard(3));
        rig.station = [this] { station.poll(); };
    }
    DCCProg& open()
    {
        find<QAction>(win, "DDCProgMenu").trigger();
        auto& w = find<DCCProg>(win, "DCCProg");
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(&w, &activate);
        return w;
    }
};

template <class T = QWidget> T& in(DCCProg& w, const char* name)
{
    return find<T>(w, QString::fromLatin1(name));
}

bool isRed(const QLineEdit& e)
{
    return e.palette().color(QPalette::Text) == Qt::red;
}
} // namespace

class TestDccProg : public QObject {
    Q_OBJECT
  private slots:
    void readsStandardCvsOfTheDecoder()
    {
        Bench b;
        DCCProg& w = b.open();
        QCOMPARE(w.windowTitle(), "DCC Programmierung");
        QCOMPARE(in<QLineEdit>(w, "CVTxt_1").text(), "-");
        in<QPushButton>(w, "DecRdCVBut").click();
        QVERIFY(!in(w, "RDCVBut").isEnabled());
        QVERIFY(in(w, "Cancel").isEnabled());
        b.rig.run(3);
        QCOMPARE(
            (QStringList{in<QLabel>(w, "DCCProgStat").text(), in<QLineEdit>(w, "CVTxt_1").text(),
                         in<QLineEdit>(w, "CVTxt_3").text(), in<QLabel>(w, "CV7Lbl").text(),
                         in<QLabel>(w, "CV8Lbl").text()}),
            (QStringList{" Lesevorgang beendet ", "3", "8", "42", "Selbstbau"}));
        QVERIFY(in<QCheckBox>(w, "CV29Bit_1").isChecked() &&
                in<QCheckBox>(w, "CV29Bit_2").isChecked());
        QVERIFY(!in<QCheckBox>(w, "CV29Bit_5").isChecked());
        auto& list = in<QListWidget>(w, "CVListe");
        QCOMPARE(list.count(), 11);
        QVERIFY(in(w, "RDCVBut").isEnabled());
        QVERIFY(!in(w, "Cancel").isEnabled());

        list.setCurrentRow(10); // CV 29 = 6
        QCOMPARE(in<QLineEdit>(w, "CVAdrTxt").text(), "29");
        QVERIFY(in<QCheckBox>(w, "CVBit_1").isChecked() && in<QCheckBox>(w, "CVBit_2").isChecked());
    }

    void numberFieldsGuardTheButtons()
    {
        Bench b;
        DCCProg& w = b.open();
        auto& value = in<QLineEdit>(w, "CVValTxt");
        auto& address = in<QLineEdit>(w, "CVTxt_1");
        value.setText("300");
        QVERIFY(isRed(value));
        QVERIFY(!in(w, "RDCVBut").isEnabled() && !in(w, "DecWrCVBut").isEnabled());
        address.setText("1234"); // another field changing does not hide the bad value
        QVERIFY(!in(w, "WRCVBut").isEnabled());
        value.setText("-");
        QVERIFY(!isRed(value));
        QVERIFY(isRed(address));
        in<QCheckBox>(w, "CV29Bit_5").click(); // long address: up to 10239
        address.setText("1234");
        QVERIFY(!isRed(address));
        QVERIFY(in(w, "DecWrCVBut").isEnabled());

        in<QCheckBox>(w, "CVBit_7").click();
        in<QCheckBox>(w, "CVBit_0").click();
        QCOMPARE(value.text(), "129");
        value.setText("6");
        QVERIFY(!in<QCheckBox>(w, "CVBit_7").isChecked() &&
                in<QCheckBox>(w, "CVBit_2").isChecked());
    }

    void tableRowsByDialogAndKeys()
    {
        Bench b;
        DCCProg& w = b.open();
        w.show();
        auto& view = in<QTableView>(w, "Tabelle");
        view.setFocus();
        QTest::keyClick(&view, Qt::Key_Insert);
        auto& dialog = in<QDialog>(w, "NeueCVZeile");
        QVERIFY(dialog.isVisible());
        QCOMPARE(in<QLineEdit>(w, "CvTabNameTxt").text(), "----");
        in<QLineEdit>(w, "CVNrTxT").setText("abc");
        in<QPushButton>(w, "Command1").click();
        QVERIFY(dialog.isVisible()); // refused, nothing typed is lost
        QCOMPARE(b.rig.shown.size(), 1);
        in<QLineEdit>(w, "CVNrTxT").setText("49");
        in<QLineEdit>(w, "CVErklTxt").setText("Licht");
        in<QLineEdit>(w, "CvTabNameTxt").setText("Deko");
        in<QPushButton>(w, "Command1").click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(w.table().cell(0, CvTable::ColText), "Licht");
        QCOMPARE(in<QLabel>(w, "TabNameTxt").text(), "Deko");
        w.table().NewRow(3, "Adresse");

        // Escape leaves the table as it was.
        find<QAction>(w, "CVTab_einf").trigger();
        in<QLineEdit>(w, "CVNrTxT").setText("50");
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
        in<QPushButton>(w, "DecWrUserList").click();
        QVERIFY(in(w, "DecWrUserList").isEnabled());
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
