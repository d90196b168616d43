// The CV table's editing rules and the speed curve's geometry.

#include "programming/cv_table.h"
#include "programming/programming.h"
#include "programming/speed_curve.h"
#include "support/rig.h"

#include <QtTest>

namespace {
QString bits(const CvTable& t, int row)
{
    QString s;
    for (int c = CvTable::ColBit7; c <= CvTable::ColBit0; ++c)
        s += t.cell(row, c);
    return s;
}

QString shown(const CvTable& t, int row, int col)
{
    return t.data(t.index(row, col), Qt::DisplayRole).toString();
}

bool red(const CvTable& t, int row)
{
    return t.data(t.index(row, CvTable::ColValue), CvTable::ColourRole).toInt() == 255;
}
} // namespace

class TestCvTable : public QObject {
    Q_OBJECT
  private slots:
    void valueCellEditing()
    {
        CvTable t;
        t.NewRow(49, "Licht");
        t.begin_edit(0);
        QCOMPARE(shown(t, 0, CvTable::ColValue), "-|");
        for (int d : {3, 0, 0})
            t.edit_digit(d);
        QCOMPARE(shown(t, 0, CvTable::ColValue), "300|");
        QVERIFY(red(t, 0));
        t.blink();
        QCOMPARE(shown(t, 0, CvTable::ColValue), "300 ");
        t.end_edit();
        QCOMPARE(t.cell(0, CvTable::ColValue), "300");
        QCOMPARE(bits(t, 0), "00101100");
        QVERIFY(red(t, 0));

        // A value of 0 is replaced by the first digit; five digits at most.
        t.begin_edit(0);
        for (int k = 0; k < 3; ++k)
            t.edit_erase();
        QCOMPARE(shown(t, 0, CvTable::ColValue), "|");
        for (int d : {0, 1, 2, 3, 4, 5, 6})
            t.edit_digit(d);
        t.end_edit();
        QCOMPARE(t.cell(0, CvTable::ColValue), "12345");
    }

    void newRowKeepsOrderAndReplaces()
    {
        CvTable t;
        for (int cv : {29, 3, 1023, 50})
            t.NewRow(cv, QString::number(cv));
        t.set_cell(0, CvTable::ColValue, "9");
        t.NewRow(3, "neu");
        QCOMPARE(t.rowCount(), 4);
        QList<int> cvs;
        for (int r = 0; r < t.rowCount(); ++r)
            cvs << t.cv(r);
        QCOMPARE(cvs, (QList<int>{3, 29, 50, 1023}));
        QCOMPARE(t.cell(0, CvTable::ColText), "neu");
        QCOMPARE(t.cell(0, CvTable::ColValue), "-");
        t.ClrRow(1);
        QCOMPARE(t.cv(1), 50);
        t.set_name("Deko");
        t.clear_all();
        QCOMPARE(t.rowCount(), 0);
        QCOMPARE(t.name(), "----");
    }

    void bitsSelectionAndUserList()
    {
        CvTable t;
        for (int cv : {3, 29, 49})
            t.NewRow(cv, {});
        std::array<int, 1025> values;
        values.fill(CvUnknown);
        values[29] = 6;
        t.show_values(values);
        QCOMPARE(bits(t, 1), "00000110");
        QCOMPARE(bits(t, 0), "--------");

        t.toggle_bit(1, CvTable::ColBit7);
        t.set_bit(1, CvTable::ColBit0, u'1');
        t.set_bit(1, CvTable::ColValue, u'1'); // not a bit column
        QCOMPARE(t.cell(1, CvTable::ColValue), "135");
        t.toggle_bit(0, CvTable::ColBit0); // unknown bits stay, the value follows them
        QCOMPARE(t.cell(0, CvTable::ColBit0), "-");
        QCOMPARE(t.cell(0, CvTable::ColValue), "0");

        QVERIFY(t.user_list().isEmpty());
        t.select_all(true);
        t.set_selected(0, false);
        QCOMPARE(t.cell(1, CvTable::ColOp), " ");
        QCOMPARE(t.data(t.index(0, CvTable::ColOp), Qt::CheckStateRole).toInt(),
                 int(Qt::Unchecked));
        QStringList list; // "-" writes nothing to its CV: value -1
        for (const auto& e : t.user_list())
            list << QStringLiteral("%1=%2").arg(e.cv).arg(e.value);
        QCOMPARE(list, (QStringList{"29=135", "49=-1"}));
    }

    void dragStaysWithinRange_data()
    {
        QTest::addColumn<int>("range");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("value"); // -1: the drag is refused
        // Baseline 600, value axis 512 long: 4 pixels a unit for 128, 2 for 256.
        QTest::newRow("128: top value") << 128 << 600 - 127 * 4 << 127;
        QTest::newRow("128: above the range") << 128 << 600 - 128 * 4 << -1;
        QTest::newRow("128: just below the baseline") << 128 << 603 << 0;
        QTest::newRow("128: far below") << 128 << 610 << -1;
        QTest::newRow("256: top value") << 256 << 600 - 255 * 2 << 255;
        QTest::newRow("256: above the range") << 256 << 600 - 256 * 2 << -1;
        QTest::newRow("256: between units") << 256 << 600 - 2 * 100 - 1 << 100;
    }
    void dragStaysWithinRange()
    {
        QFETCH(int, range);
        QFETCH(int, y);
        QFETCH(int, value);
        Rig rig;
        Programming& prog = rig.core->prog;
        prog.SpeedRange = range;
        prog.set_value(67 + 27, 10);
        SpeedCurve c(prog);
        c.set_axes(50, 600, 28 * 20, 512);
        c.press(c.point(27) + QPoint(4, -4));
        QCOMPARE(c.selected(), 27);
        QCOMPARE(c.drag(y), value >= 0);
        QCOMPARE(prog.value(94), value >= 0 ? value : 10);
        QCOMPARE(c.point(27).y(), value >= 0 ? y : 600 - 10 * c.sy());
        QCOMPARE(c.point(26).y(), 600 - CvUnknown * c.sy()); // neighbours stay
    }

    void pointsStandOverTheirValues()
    {
        Rig rig;
        Programming& prog = rig.core->prog;
        prog.set_value(67, 100);
        SpeedCurve c(prog);
        c.set_axes(50, 600, 28 * 20, 512);
        QCOMPARE(c.point(0), QPoint(59, 600 - 400));
        QCOMPARE(c.point(1), QPoint(79, 600 - 256 * 4)); // unknown: 256 units up
        QCOMPARE(c.hit({83, 600 - 1024 + 4}), 1);
        QCOMPARE(c.hit({79, 600 - 1024 + 5}), -1);
        prog.SpeedRange = 256; // rescaling changes no value
        c.layout();
        QCOMPARE(c.point(0).y(), 600 - 200);
        QCOMPARE(prog.value(67), 100);
        c.press({0, 0});
        QVERIFY(!c.drag(500));
    }
};

QTEST_GUILESS_MAIN(TestCvTable)
#include "tst_cv_table.moc"
