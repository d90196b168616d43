// The route page, Taste_Fadr and the route editor with its input dialog,
// on the real widgets.

#include "routes/route_cells.h"
#include "routes/route_file.h"
#include "support/ui_bench.h"
#include "ui/lamp.h"

#include <QDir>
#include <QHeaderView>
#include <QMessageBox>
#include <QRadioButton>
#include <QTabBar>
#include <QTableView>

namespace {
struct Bench : UiBench {
    RouteTable& t = rig.core->FSTab;
    QWidget& editor = find<QWidget>(win, "FaStrEditForm");
    QTableView& grid = find<QTableView>(editor, "FSTab");
    Bench() { unlock(); }

    void click_cell(int r, int c)
    {
        const QModelIndex i = grid.model()->index(r, c);
        grid.scrollTo(i);
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(i).center());
    }
    void click_number(int r, Qt::MouseButton button)
    {
        QHeaderView* h = grid.verticalHeader();
        grid.scrollTo(grid.model()->index(r, 1));
        const QPoint p(h->width() / 2, h->sectionViewportPosition(r) + h->sectionSize(r) / 2);
        QTest::mouseClick(h->viewport(), button, {}, p);
    }
};
} // namespace

struct DialogRow {
    QStringList cells; // before, "r,c=text"
    int column;
    QStringList input; // "Field=typed" or an option's name
    QString button;    // or "Enter" in the last field typed
    QStringList after;
    QString note = {}; // what is missing; the dialog then stays open
};
Q_DECLARE_METATYPE(DialogRow)

class TstUiRoutes : public QObject {
    Q_OBJECT
  private slots:
    void panelPagesRequestAndRelease()
    {
        Bench b;
        auto& combo = find<QComboBox>(b.win, "MemNrCo");
        QCOMPARE(combo.count(), 13);
        QCOMPARE(combo.itemText(12), "Fahrstrassen: 193 - 208");
        emit combo.activated(12);
        QCOMPARE(find<QLabel>(b.win, "MemAdrBereichTxt").text(), "193 - 208");
        QCOMPARE(find<QWidget>(b.win, "FSSetBut_15").toolTip(), "Fahrstr. 208 anfordern");
        QCOMPARE(find<QWidget>(b.win, "FSRsBut_0").toolTip(), "Fahrstr. 193 auflösen");
        b.t.set_flag(193, RouteTable::Active, true);
        find<QPushButton>(b.win, "FSSetBut_15").click();
        find<QPushButton>(b.win, "FSRsBut_0").click();
        QCOMPARE(cells(b.t), QStringList{"208,2= "});
        b.rig.core->state.show_power(1);
        b.rig.tick();
        QCOMPARE(find<Lamp>(b.win, "FS_Anz_15").colour(), colour::Yellow);
    }

    void tasteFadrLimits_data()
    {
        QTest::addColumn<QString>("keys"); // after the digit 2 that opens it
        QTest::addColumn<QStringList>("cells");
        QTest::newRow("208 is requested") << "08f" << QStringList{"12,1= ", "208,2= "};
        QTest::newRow("209 changes nothing") << "09f" << QStringList{"12,1= "};
        QTest::newRow("0 changes nothing") << "\b0f" << QStringList{"12,1= "};
        QTest::newRow("L releases") << "\b12l" << QStringList();
    }
    void tasteFadrLimits()
    {
        QFETCH(QString, keys);
        QFETCH(QStringList, cells);
        Bench b;
        b.t.set_flag(12, RouteTable::Active, true);
        b.win.show();
        QVERIFY(QTest::qWaitForWindowActive(&b.win));
        QTabBar* tabs = find<QTabWidget>(b.win, "MainTab").tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(4).center());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_2); // the page's selector has none
        auto& w = find<QWidget>(b.win, "Taste_Fadr");
        QVERIFY(w.isVisible());
        QCOMPARE(find<QLabel>(w, "Fadr").text(), "2");
        for (QChar k : keys)
            QTest::keyClick(&w, k == u'\b' ? Qt::Key_Backspace : Qt::Key(k.toUpper().unicode()));
        QVERIFY(!w.isVisible());
        QCOMPARE(::cells(b.t), cells);
    }

    // Flags loaded from a file: the set blank is a check mark, other text
    // is shown as it stands; two clicks repair it.
    void loadedFlagsShowWhatTheyHoldAndToggle()
    {
        Bench b;
        RouteTable saved;
        set_cells(saved, {"208,1= ", "208,2=x"});
        const QString path = QDir(b.rig.dir.path()).filePath("FS.DAT");
        QVERIFY(route_file::save_fs(saved, path, nullptr));
        route_file::load_fs(b.t, path);
        b.editor.show();
        // "check" for the picture, the text shown, and the text edited.
        const auto shown = [&](int c) {
            const QModelIndex i = b.grid.model()->index(208, c);
            return (i.data(Qt::DecorationRole).isNull() ? "" : "check") + i.data().toString() +
                   '/' + i.data(Qt::EditRole).toString() + ' ';
        };
        QCOMPARE(shown(1) + shown(2), "check/  x/x ");
        b.click_cell(208, 2);
        QCOMPARE(shown(2), "check/  ");
        b.click_cell(208, 1);
        b.click_cell(208, 2);
        QCOMPARE(shown(1) + shown(2), "/ / ");
    }

    void dialogResults_data()
    {
        QTest::addColumn<DialogRow>("row");
        const auto row = [](const char* name, const QStringList& cells, int column,
                            const QStringList& input, const char* button, const QStringList& after,
                            const char* note = "") {
            QTest::newRow(name) << DialogRow{cells,           column, input,
                                             QString(button), after,  QString::fromUtf8(note)};
        };
        const QStringList two{"5,54=Ma1-g", "5,55=Ma2-g"};
        row("insert at step 50 drops the last", two, 55, {"MagAdrTxt=3", "MagOpt_1"}, "einf_but",
            {"5,54=Ma1-g", "5,55=Ma3-g"});
        row("delete at step 50 empties it", two, 55, {}, "clr_but", {"5,54=Ma1-g"});
        row("insert at step 1 shifts right", {"5,6=Ma1-g", "5,55=Pa-9"}, 6, {"PauTxt=2.5"},
            "einf_but", {"5,6=Pa-25", "5,7=Ma1-g"});
        row("delete at step 1 shifts left", {"5,6=Ma1-g", "5,7=Ma2-g", "5,55=Pa-9"}, 6, {},
            "clr_but", {"5,6=Ma2-g", "5,54=Pa-9"});
        row("accessory 2048 is refused", {"5,6=Ma1-g"}, 6, {"MagAdrTxt=2048", "MagOpt_0"},
            "OKButton", {"5,6=Ma1-g"},
            "Magnetartikel: bitte eine Adresse von 1 bis 2047 eingeben.");
        row("accessory without a direction", {"5,6=Rm1-f"}, 6, {"MagAdrTxt=7"}, "Enter",
            {"5,6=Rm1-f"}, "Magnetartikel: bitte „rot“ oder „grün“ wählen.");
        row("sensor without a state", {}, 4, {"RmAdrTxt=7"}, "Enter", {},
            "Rückmeldung: bitte „frei“ oder „belegt“ wählen.");
        row("route 208 is accepted", {}, 6, {"FSAdrTxt=208", "FSOpt_2"}, "OKButton",
            {"5,6=Fs208-an"});
        row("route 209 is refused", {}, 6, {"FSAdrTxt=209", "FSOpt_0"}, "OKButton", {},
            "Fahrstraße: bitte eine Nummer von 1 bis 208 eingeben.");
        row("a pause of 0 is refused", {}, 6, {"PauTxt=0"}, "Enter", {},
            "Pause: bitte die Sekunden eingeben (mindestens 1).");
        row("nothing filled in", {}, 6, {}, "OKButton", {},
            "Bitte eine der vier Gruppen ausfüllen.");
        row("another group's entry clears the cell's", {"5,6=Ma5-g"}, 6, {"RmAdrTxt=7", "RmOpt_0"},
            "OKButton", {"5,6=Rm7-f"});
        row("insert without a valid entry moves nothing", {"5,6=Ma1-g", "5,55=Pa-9"}, 6,
            {"MagAdrTxt=0", "MagOpt_1"}, "einf_but", {"5,6=Ma1-g", "5,55=Pa-9"},
            "Magnetartikel: bitte eine Adresse von 1 bis 2047 eingeben.");
        row("deleting a trigger leaves the rest", {"5,4=Rm1-b", "5,5=Rm4-f", "5,6=Ma1-g"}, 4, {},
            "clr_but", {"5,5=Rm4-f", "5,6=Ma1-g"});
        row("cancel", {"5,6=Ma1-g"}, 6, {"MagAdrTxt=9"}, "CancelButton", {"5,6=Ma1-g"});
        row("the dialog opens with the cell's entry", {"5,6=Rm12-b"}, 6, {}, "einf_but",
            {"5,6=Rm12-b", "5,7=Rm12-b"});
        row("a trigger takes no route command", {}, 4, {"FSAdrTxt=5", "FSOpt_0"}, "OKButton", {},
            "Bitte Magnetartikel oder Rückmeldung ausfüllen.");
    }
    void dialogResults()
    {
        QFETCH(DialogRow, row);
        const auto& [cells, column, input, button, after, note] = row;
        Bench b;
        set_cells(b.t, cells);
        b.editor.show();
        b.click_cell(5, column);
        auto& d = find<QWidget>(b.editor, "AdrEingForm");
        QLineEdit* last = nullptr;
        for (const QString& in : input) {
            if (in.contains('='))
                type(*(last = &find<QLineEdit>(d, in.section('=', 0, 0))), in.section('=', 1));
            else
                find<QRadioButton>(d, in).click();
        }
        if (button == "Enter")
            QTest::keyClick(last, Qt::Key_Return);
        else
            find<QPushButton>(d, button).click();
        QCOMPARE(d.isVisible(), !note.isEmpty());
        const auto& hint = find<QLabel>(d, "HinweisLbl");
        QCOMPARE(hint.isVisible() ? hint.text() : QString(), note);
        QCOMPARE(::cells(b.t), after);
    }

    void deletingARouteAsksFirst()
    {
        Bench b;
        b.editor.show();
        b.t.set_cell(5, 6, "Ma1-g");
        b.t.set_flag(5, RouteTable::Active, true);
        b.click_number(5, Qt::RightButton); // not selected: no question
        QVERIFY(!b.editor.findChild<QMessageBox*>());
        b.click_number(5, Qt::LeftButton);
        for (auto answer : {QMessageBox::Cancel, QMessageBox::Ok}) {
            b.click_number(5, Qt::RightButton);
            auto* box = b.editor.findChild<QMessageBox*>("FsLoeschenBox");
            QVERIFY(box && box->isVisible());
            QCOMPARE(box->windowTitle(), "Fahrstraße 5");
            QCOMPARE(box->text(), "Fahrstraße löschen?");
            QCOMPARE(box->button(QMessageBox::Cancel)->text(), "Abbrechen");
            QCOMPARE(cells(b.t).size(), 2); // nothing happens while it asks
            box->button(answer)->click();
            QTRY_VERIFY(!b.editor.findChild<QMessageBox*>());
        }
        QCOMPARE(cells(b.t), QStringList());
        QCOMPARE(b.t.cell(5, 0), "5");
    }

    void editorTimesAndClosing()
    {
        Bench b;
        b.t.MagT1 = 200;
        QVERIFY(b.open("FaStrEdit", "FaStrEditForm").isVisible());
        auto& t1 = find<QLineEdit>(b.editor, "MagT1Txt");
        QCOMPARE(t1.text(), "200");
        type(t1, "3.5");
        QCOMPARE(t1.text(), "35");
        QCOMPARE(b.t.MagT1, 35);
        b.editor.close();
        QVERIFY(!b.editor.isVisible());
        QCOMPARE(&b.open("FaStrEdit", "FaStrEditForm"), &b.editor);
        QCOMPARE(t1.text(), "35");
    }
};

QTEST_MAIN(TstUiRoutes)
#include "tst_ui_routes.moc"
