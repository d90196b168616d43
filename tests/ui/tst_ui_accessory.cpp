// The keyboard and feedback pages and their key-entry windows, on the real
// widgets against the virtual station in memory.

#include "station/base_settings.h"
#include "support/ui_bench.h"
#include "ui/lamp.h"

namespace {
struct Bench : StationUiBench {
    Bench() { connect(); }
    int anz(const QString& name) { return find<Lamp>(win, name).colour(); }
    QString tip(const QString& name) { return find<QWidget>(win, name).toolTip(); }
    void select(const char* combo, int index)
    {
        emit find<QComboBox>(win, combo).activated(index);
        rig.run(1);
        rig.takeWire();
    }
};
} // namespace

struct EntryRow {
    int page;
    QString window, number, keys, sent;
};
Q_DECLARE_METATYPE(EntryRow)

class TstUiAccessory : public QObject {
    Q_OBJECT
  private slots:
    void pagesStartOnTheirFirstPage()
    {
        Bench b;
        auto& kbCombo = find<QComboBox>(b.win, "KeybNrCo");
        QCOMPARE(kbCombo.count(), 128);
        QCOMPARE(kbCombo.itemText(127), "Keyboard 128 Adr.: 2033 - 2048");
        QCOMPARE(find<QComboBox>(b.win, "RMNrCo").itemText(1), "Rückmelder: 17 - 32");
        QCOMPARE(find<QLabel>(b.win, "KeyBAdrBereichTxt").text(), "1 - 16");
        QCOMPARE(b.tip("KB_grn_0"), "Mag.Art. 1 grün");
        QCOMPARE(b.tip("RMChgBut_15"), "Rückm.16 belegt aussenden");
        QCOMPARE(b.anz("RM_Anz_0"), colour::White);
    }

    // The coil is off again when the key is let go, also when a job that
    // must not be cut off started meanwhile: then after that job.
    void greenKeyPowersTheCoilWhileHeld_data()
    {
        QTest::addColumn<bool>("writeBetween");
        QTest::newRow("held") << false;
        QTest::newRow("base settings written meanwhile") << true;
    }
    void greenKeyPowersTheCoilWhileHeld()
    {
        QFETCH(bool, writeBetween);
        Bench b;
        b.select("KeybNrCo", 1);
        auto& key = find<QPushButton>(b.win, "KB_grn_3");
        QTest::mousePress(&key, Qt::RightButton);
        QTest::mouseRelease(&key, Qt::RightButton);
        b.rig.run(0.1);
        QCOMPARE(b.rig.takeWire(), QString());

        QTest::mousePress(&key, Qt::LeftButton);
        QVERIFY(key.isEnabled()); // a short job locks nothing
        if (writeBetween) {
            b.rig.run(0.05);
            b.rig.core->options.write_list(base_settings::Options, {4, 1, 2, 20, 3, 1});
        }
        QTest::mouseRelease(&key, Qt::LeftButton); // the release is never lost
        b.rig.run(0.5);
        const QString wire = b.rig.takeWire();
        QVERIFY(wire.startsWith(wire_hex("B0 13 30")) && wire.endsWith(wire_hex("B0 13 20")));
        QCOMPARE(wire.count("5A 56 01"), writeBetween ? 6 : 0);
        QCOMPARE(b.anz("KB_Anz_3"), colour::Green);
    }

    void pageChangeRewritesTheTexts()
    {
        Bench b;
        b.select("KeybNrCo", 1);
        QCOMPARE(b.tip("KB_rot_3"), "Mag.Art. 20 rot");

        find<QWidget>(b.win, "KB_rot_3").setToolTip("x");
        emit find<QComboBox>(b.win, "KeybNrCo").activated(1); // the same page: no queries
        b.rig.run(1);
        QCOMPARE(b.rig.takeWire(), QString());
        QCOMPARE(b.tip("KB_rot_3"), "Mag.Art. 20 rot");

        b.rig.core->keyboard.first_page(); // a new connection starts on page 1
        QCOMPARE(find<QComboBox>(b.win, "KeybNrCo").currentIndex(), 0);
        QCOMPARE(find<QLabel>(b.win, "KBNr_3").text(), "4");
    }

    void feedbackButtonSendsTheOppositeState()
    {
        Bench b;
        find<QPushButton>(b.win, "RMChgBut_5").click();
        b.rig.tick();
        QCOMPARE(b.rig.takeWire(), wire_hex("B2 02 70"));
        QCOMPARE(b.rig.core->feedback.RmState[5], -1); // until the report comes back
        b.rig.run(0.1);
        QCOMPARE(b.anz("RM_Anz_5"), colour::Red);
        QCOMPARE(b.tip("RMChgBut_5"), "Rückm.6 frei aussenden");
    }

    void digitOpensThePagesKeyEntryWindow_data()
    {
        QTest::addColumn<EntryRow>("row");
        for (const EntryRow& r :
             {EntryRow{2, "Taste_Wadr", "wadr", "0g", wire_hex("B0 13 30|B0 13 20")},
              EntryRow{3, "Taste_Radr", "Radr", "0f", wire_hex("B2 09 60")}})
            QTest::newRow(qPrintable(r.window)) << r;
    }
    void digitOpensThePagesKeyEntryWindow()
    {
        QFETCH(EntryRow, row);
        const auto& [page, window, number, keys, sent] = row;
        Bench b;
        auto& tabs = find<QTabWidget>(b.win, "MainTab");
        tabs.setCurrentIndex(page);
        QTest::keyClick(&tabs, Qt::Key_2); // not taken by the tabs: the window's keydown
        auto& w = find<QWidget>(b.win, window);
        QVERIFY(w.isVisible());
        QCOMPARE(find<QLabel>(w, number).text(), "2");
        QTest::keyClicks(&w, keys);
        QVERIFY(!w.isVisible());
        b.rig.run(1);
        QCOMPARE(b.rig.takeWire(), sent);
    }
};

QTEST_MAIN(TstUiAccessory)
#include "tst_ui_accessory.moc"
