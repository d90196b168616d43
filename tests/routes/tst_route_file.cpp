// FS.DAT and the step texts.

#include "core/file_io.h"
#include "routes/route_file.h"
#include "routes/route_step.h"
#include "routes/route_table.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {
// "r,c=text" for every route cell that is not empty.
QStringList cells(const RouteTable& t)
{
    QStringList l;
    for (int r = 1; r < RouteTable::Rows; ++r)
        for (int c = 1; c < RouteTable::Columns; ++c)
            if (!t.cell(r, c).isEmpty())
                l << QStringLiteral("%1,%2=%3").arg(r).arg(c).arg(t.cell(r, c));
    return l;
}
} // namespace

class TestRouteFile : public QObject {
    Q_OBJECT
  private slots:
    void savedTableLoadsAndSavesToTheSameBytes()
    {
        QTemporaryDir dir;
        RouteTable t;
        t.MagT2 = 500;
        t.MagT1 = 200;
        t.set_flag(1, RouteTable::Active, true);
        t.set_cell(1, 6, "Ma12-g");
        t.set_cell(100, 4, "Rm7-b");
        t.set_flag(208, RouteTable::Active, true);
        t.set_cell(208, 55, "Pa-2");
        QVERIFY(route_file::save_fs(t, dir.filePath("FS.DAT"), nullptr));

        const QByteArray bytes = read_file(dir.filePath("FS.DAT"), 1 << 20).value();
        const QList<QByteArray> lines = bytes.split('\n');
        QCOMPARE(lines.size(), 2 + 208 * 55 + 1); // the last line end ends the file
        QCOMPARE(lines.mid(0, 4), (QList<QByteArray>{"500\r", "200\r", "\" \"\r", "\"\"\r"}));
        QCOMPARE(lines[2 + 207 * 55], "\" \"\r"); // cell (208, 1) on line 2 + 207 * 55 + 1

        RouteTable back;
        route_file::load_fs(back, dir.filePath("FS.DAT"));
        QCOMPARE(cells(back), cells(t));
        QCOMPARE(std::pair(back.MagT2, back.MagT1), std::pair(500, 200));
        QVERIFY(route_file::save_fs(back, dir.filePath("again.dat"), nullptr));
        QCOMPARE(read_file(dir.filePath("again.dat"), 1 << 20).value(), bytes);
    }

    // What a file that we did not write leaves in the table.
    void reading_data()
    {
        QTest::addColumn<QByteArray>("content"); // null: no file at all
        QTest::addColumn<int>("magT2");
        QTest::addColumn<int>("magT1");
        QTest::addColumn<QStringList>("cells");
        QTest::newRow("missing file") << QByteArray() << 0 << 0 << QStringList();
        QTest::newRow("empty file") << QByteArray("") << 0 << 0 << QStringList();
        QTest::newRow("short file") << QByteArray("500\r\n200\r\n\" \"\r\n\"\"\r\n\"Ma1-g\"\r\n")
                                    << 500 << 200 << QStringList{"1,1= ", "1,3=Ma1-g"};
        QTest::newRow("quote inside a cell shifts nothing")
            << QByteArray("0\r\n0\r\n\"Ma\"1-g\"\r\n\" \"\r\n") << 0 << 0
            << QStringList{"1,1=Ma\"1-g", "1,2= "};
        QTest::newRow("LF line ends, unquoted cell")
            << QByteArray("7\n8\nMa3-r\n") << 7 << 8 << QStringList{"1,1=Ma3-r"};
        QTest::newRow("time that is no number reads as 0")
            << QByteArray("abc\r\n 200 \r\n\"\"\r\n\" \"\r\n") << 0 << 200 << QStringList{"1,2= "};
    }
    void reading()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, magT2);
        QFETCH(int, magT1);
        QFETCH(QStringList, cells);
        QTemporaryDir dir;
        if (!content.isNull())
            QVERIFY(save_file(dir.filePath("FS.DAT"), content, nullptr));
        RouteTable t;
        route_file::load_fs(t, dir.filePath("FS.DAT"));
        QCOMPARE(std::pair(t.MagT2, t.MagT1), std::pair(magT2, magT1));
        QCOMPARE(::cells(t), cells);
        QCOMPARE(t.cell(0, 1), "aktiv."); // the headers are never the file's
    }

    void parseStep_data()
    {
        QTest::addColumn<QString>("text");
        // MaAdr MaDir FsNr FsCmd RmAdr RmState Pause; the caller's letters are "x".
        QTest::addColumn<QString>("parts");
        for (auto [text, parts] : {std::pair{"Ma12-g", "12 g - x - x -"},
                                   {"Pa-2.5", "- x - x - x 2.5"},
                                   {"Fs7", "- x - x - x -"}, // no dash: nothing
                                   {"Rm-f", "- x - x - f -"},
                                   {"Fs208-al", "- x 208 al - x -"},
                                   {"Xy5-g", "- x - x - x -"}})
            QTest::newRow(text) << QString(text) << QString(parts);
    }
    void parseStep()
    {
        QFETCH(QString, text);
        QFETCH(QString, parts);
        StepParts p{"old", "x", "old", "x", "old", "x", "old"};
        parse_step(text, p);
        QStringList got;
        for (const QString& s : {p.MaAdr, p.MaDir, p.FsNr, p.FsCmd, p.RmAdr, p.RmState, p.Pause})
            got << (s.isEmpty() ? "-" : s);
        QCOMPARE(got.join(' '), parts);
    }

    void numbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("digits");
        QTest::newRow("fraction") << "2.5" << 2.5 << "25";
        QTest::newRow("leading blanks, trailing text") << "  12-g" << 12.0 << "12";
        QTest::newRow("empty") << "" << 0.0 << "";
        QTest::newRow("no number") << "g5" << 0.0 << "5";
        QTest::newRow("sign and fraction digits") << "-0.125s" << -0.125 << "0125";
        QTest::newRow("more digits than fit a long long")
            << "50011111111111111111.5" << 50011111111111111111.5 << "500111111111111111115";
    }
    void numbers()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QFETCH(QString, digits);
        QCOMPARE(text_value(text), value);
        QCOMPARE(digits_only(text), digits);
    }
};

QTEST_GUILESS_MAIN(TestRouteFile)
#include "tst_route_file.moc"
