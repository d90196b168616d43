// CV files, CV list files and the manufacturer list: exact bytes written,
// tolerant reading, and the list file found beside its CV file.

#include "core/file_io.h"
#include "programming/cv_files.h"
#include "programming/cv_table.h"
#include "programming/programming.h"
#include "support/rig.h"

#include <QtTest>

using cvfile::CvFile;
using cvfile::ListFile;
using Values = QList<std::pair<int, int>>;
using Rows = QList<std::pair<QString, QString>>;

namespace {
QList<int> table_cvs(const CvTable& t)
{
    QList<int> cvs;
    for (int r = 0; r < t.rowCount(); ++r)
        cvs << t.cv(r);
    return cvs;
}
} // namespace

class TestCvFiles : public QObject {
    Q_OBJECT
  private slots:
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
        cvfile::parse_manufacturers("97: Doehler & Haass\r\nohne Doppelpunkt\r\n300: zu gross\r\n"
                                    "-1: negativ\r\n157: K\xfchn\r\n145:Zimo\r\n256: Keiner\r\n"
                                    "151: ESU: Ulm\r\n",
                                    names);
        // Latin-1, no blank after the colon, a second colon, 256, an unlisted id.
        QCOMPARE((QStringList{names[97], names[157], names[145], names[151], names[256], names[1]}),
                 (QStringList{"Doehler & Haass", "Kühn", "Zimo", "ESU: Ulm", "Keiner", ""}));
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

        // A file of the wrong kind leaves every value unknown and the table as it is.
        QVERIFY(save_file(prog.CvFileName, "LST-Datei\r\n\r\n", nullptr));
        QVERIFY(!prog.load_cv(table));
        QCOMPARE(prog.value(29), CvUnknown);
        QCOMPARE(table_cvs(table), cvs);
        QCOMPARE(rig.texts(), QStringList{"Falsches Dateiformat!"});
    }

    void saveReportsFailure()
    {
        Rig rig;
        Programming& prog = rig.core->prog;
        prog.CvFileName = rig.dir.filePath("kein/Ordner/lok.CV");
        QVERIFY(!prog.save_cv());
        QCOMPARE(rig.shown.size(), 1);
        QCOMPARE(rig.shown.last().title, "Dateifehler");
    }
};

QTEST_GUILESS_MAIN(TestCvFiles)
#include "tst_cv_files.moc"
