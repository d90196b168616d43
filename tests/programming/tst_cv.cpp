// The CV table's editing rules and the speed curve's geometry; CV files,
// CV list files and the manufacturer list: exact bytes written, tolerant
// reading, and the list file found beside its CV file.

#include "core/file_io.h"
#include "programming/cv_files.h"
#include "programming/cv_table.h"
#include "programming/programming.h"
#include "programming/speed_curve.h"
#include "support/rig.h"

#include <QtTest>

using Values = QList<std::pair<int, int>>;
using Rows = QList<std::pair<QString, QString>>;

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

QList<int> table_cvs(const CvTable& t)
{
    QList<int> cvs;
    for (int r = 0; r < t.rowCount(); ++r)
        cvs << t.cv(r);
    return cvs;
}
} // namespace

class TestCv : public QObject {
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
        QCOMPARE(table_cvs(t), (QList<int>{3, 29, 50, 1023}));
        QCOMPARE(t.cell(0, CvTable::ColText), "neu");
        QCOMPARE(t.cell(0, CvTable::ColValue), "-");
        // A table loaded unsorted: its row for a CV is found wherever it stands.
        CvTable loaded;
        loaded.set_rows({{"57", "Motor"}, {"49", "Licht"}});
        loaded.NewRow(49, "neu");
        loaded.NewRow(50, "");
        QCOMPARE(table_cvs(loaded), (QList<int>{50, 57, 49}));
        QCOMPARE(loaded.cell(2, CvTable::ColText), "neu");
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

    void cvFileBytes()
    {
        std::array<int, 1025> values;
        values.fill(CvUnknown);
        QCOMPARE(cvfile::format_cv(values, std::nullopt), QByteArray("\"CV-Datei\"\r\n\r\n"));
        values[1] = 3;
        values[29] = 6;
        values[1024] = 255;
        const QByteArray bytes = cvfile::format_cv(values, QString("/home/a,b/Lok 3.LST"));
        QCOMPARE(bytes, QByteArray("\"CV-Datei\"\r\n\"/home/a,b/Lok 3.LST\"\r\n1,3\r\n29,6\r\n"
                                   "1024,255\r\n"));
        const auto back = cvfile::parse_cv(bytes);
        QVERIFY(back);
        QCOMPARE(back->listFile, QString("/home/a,b/Lok 3.LST"));
        QCOMPARE(back->values, (Values{{1, 3}, {29, 6}, {1024, 255}}));
    }

    void cvFileReading_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("listFile"); // "<none>" when unset
        QTest::addColumn<Values>("values");
        QTest::newRow("line 1 without quotes")
            << QByteArray("CV-Datei\r\n\"x.LST\"\r\n5,7\r\n") << true << "x.LST" << Values{{5, 7}};
        QTest::newRow("bare line ends, blanks, rounding")
            << QByteArray("\"CV-Datei\"\n\n 5 , 7.6\n") << true << "<none>" << Values{{5, 8}};
        QTest::newRow("wrong first line")
            << QByteArray("\"LST-Datei\"\r\n\r\n5,7\r\n") << false << "<none>" << Values{};
        QTest::newRow("empty file") << QByteArray() << false << "<none>" << Values{};
        QTest::newRow("bad lines skipped")
            << QByteArray(
                   "\"CV-Datei\"\r\n\r\n0,1\r\n1025,1\r\n3,256\r\n4,-1\r\nx,y\r\n6\r\n7,9\r\n")
            << true << "<none>" << Values{{7, 9}};
        QTest::newRow("Latin-1 path") << QByteArray("\"CV-Datei\"\r\n\"C:\\Loks\\Gr\xfcn.LST\"\r\n")
                                      << true << "C:\\Loks\\Grün.LST" << Values{};
    }
    void cvFileReading()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, accepted);
        QFETCH(QString, listFile);
        QFETCH(Values, values);
        const auto f = cvfile::parse_cv(bytes);
        QCOMPARE(bool(f), accepted);
        if (!f)
            return;
        QCOMPARE(f->listFile.value_or("<none>"), listFile);
        QCOMPARE(f->values, values);
    }

    // Rows marked "written" are also what format_list makes of the read file.
    void listFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("written"); // false: read only, or refused when empty
        QTest::addColumn<QString>("name");
        QTest::addColumn<Rows>("rows");
        const auto row = [](const char* tag, const QByteArray& bytes, bool written,
                            const QString& name, const Rows& rows) {
            QTest::newRow(tag) << bytes << written << name << rows;
        };
        row("plain", "LST-Datei\r\nLok 3\r\n49,\"Licht\"\r\n57,\"Motor\"\r\n", true, "Lok 3",
            {{"49", "Licht"}, {"57", "Motor"}});
        row("commas and quotes", "LST-Datei\r\n\"BR 01, Sound\"\r\n5,\"Anfahr, \"weich\"\"\r\n",
            true, "BR 01, Sound", {{"5", "Anfahr, \"weich\""}});
        row("umlauts, empty", "LST-Datei\r\nK\xfchn\r\n3,\"\"\r\n", true, "Kühn", {{"3", ""}});
        row("Latin-1 that would read as UTF-8", "LST-Datei\r\n\xc3\x83\xc2\xbc\r\n", true, "Ã¼",
            {});
        row("unquoted commas cut", "LST-Datei\r\nBR 01, Sound\r\n5,Anfahr, weich\r\n", false,
            "BR 01", {{"5", "Anfahr"}});
        row("rows that are no CV skipped",
            "LST-Datei\r\nT\r\n0,a\r\n1024,b\r\nx,c\r\n\r\n1023,d\r\n", false, "T",
            {{"1023", "d"}});
        row("wrong first line", "CV-Datei\r\nT\r\n", false, "", {});
    }
    void listFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, written);
        QFETCH(QString, name);
        QFETCH(Rows, rows);
        const auto f = cvfile::parse_list(bytes);
        QCOMPARE(bool(f), !name.isEmpty());
        if (!f)
            return;
        QCOMPARE(f->name, name);
        QCOMPARE(f->rows, rows);
        if (written)
            QCOMPARE(cvfile::format_list(*f), bytes);
    }

    void manufacturers()
    {
        std::array<QString, 257> names;
        cvfile::parse_manufacturers(
            "97: Doehler & Haass\r\nohne Doppelpunkt\r\n300: zu gross\r\n"
            "-1: negativ\r\n157: M\xfcller\r\n145:Nordbahn\r\n256: Keiner\r\n"
            "151: Werk: Ulm\r\n",
            names);
        // Latin-1, no blank after the colon, a second colon, 256, an unlisted id.
        QCOMPARE((QStringList{names[97], names[157], names[145], names[151], names[256], names[1]}),
                 (QStringList{"Doehler & Haass", "Müller", "Nordbahn", "Werk: Ulm", "Keiner", ""}));
        QCOMPARE(std::count_if(names.begin(), names.end(), [](auto& n) { return !n.isEmpty(); }),
                 5);
    }

    void loadCvBringsItsTable_data()
    {
        QTest::addColumn<QString>("line2");
        QTest::addColumn<QList<int>>("cvs"); // table rows after loading
        QTest::newRow("bare name beside the CV file") << "\"deko.LST\"" << QList<int>{49, 57};
        QTest::newRow("folder from another computer")
            << "\"C:\\Loks\\deko.LST\"" << QList<int>{49, 57};
        QTest::newRow("empty line 2 keeps the table") << "" << QList<int>{3};
        QTest::newRow("missing list file keeps the table") << "\"weg.LST\"" << QList<int>{3};
    }
    void loadCvBringsItsTable()
    {
        QFETCH(QString, line2);
        QFETCH(QList<int>, cvs);
        Rig rig;
        Programming& prog = rig.core->prog;
        QVERIFY(save_file(rig.dir.filePath("deko.LST"),
                          "LST-Datei\r\nDeko\r\n49,\"Licht\"\r\n57,\"Motor\"\r\n", nullptr));
        prog.CvFileName = rig.dir.filePath("lok.CV");
        QVERIFY(save_file(prog.CvFileName, "\"CV-Datei\"\r\n" + line2.toUtf8() + "\r\n29,6\r\n",
                          nullptr));
        CvTable table;
        table.NewRow(3, "alt");
        prog.set_value(1, 3);
        QVERIFY(prog.load_cv(table));
        QCOMPARE(prog.value(1), CvUnknown);
        QCOMPARE(prog.value(29), 6);
        QCOMPARE(table_cvs(table), cvs);
        QCOMPARE(rig.texts(), QStringList{});

        // A file of the wrong kind leaves every value unknown and the table
        // as it is, and "Speichern" does not replace it; a name chosen anew may.
        QVERIFY(save_file(prog.CvFileName, "LST-Datei\r\n\r\n", nullptr));
        QVERIFY(!prog.load_cv(table));
        QCOMPARE(prog.value(29), CvUnknown);
        QCOMPARE(table_cvs(table), cvs);
        prog.set_value(1, 3);
        QVERIFY(!prog.save_cv());
        QCOMPARE(read_file(prog.CvFileName, 1000).value_or(""), QByteArray("LST-Datei\r\n\r\n"));
        QCOMPARE(rig.texts().first(), "Falsches Dateiformat!");
        QVERIFY(rig.texts().last().contains(prog.CvFileName));
        QVERIFY(prog.save_cv_as(prog.CvFileName));
        QVERIFY(read_file(prog.CvFileName, 1000).value_or("").endsWith("1,3\r\n"));
        QVERIFY(!prog.save_cv_as(rig.dir.filePath("kein/Ordner/lok.CV"))); // reported
        QCOMPARE(rig.shown.size(), 3);
        QCOMPARE(rig.shown.last().title, "Dateifehler");
    }
};

QTEST_GUILESS_MAIN(TestCv)
#include "tst_cv.moc"
