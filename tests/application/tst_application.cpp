#include "core/file_io.h"
#include "core/shell.h"
#include "routes/route_cells.h"
#include "routes/route_file.h"
#include "support/data_files.h"
#include "support/rig.h"

#include <QtTest>
#include <future>

namespace {
// A core, not yet started, on a fresh data folder (or a path inside it);
// its message boxes collected.
struct Core {
    explicit Core(const QString& folder = {})
        : app(clock, ports.a, folder.isEmpty() ? dir.path() : dir.filePath(folder))
    {
        QObject::connect(&app.msgs, &MessageService::shown,
                         [this](const QString&, const QString& text) { boxes << text; });
    }
    QByteArray file(const QString& name) const
    {
        return read_file(dir.filePath(name), 1000).value_or("<none>");
    }
    QTemporaryDir dir;
    FakeClock clock;
    MemoryPortPair ports;
    Application app;
    QStringList boxes;
};
} // namespace

struct DataFileRow {
    QString name; // FS.DAT or zk.dat
    QByteArray content;
    bool unreadable;
    bool change;     // the user changes the routes or the names
    QString read;    // what start read: the two times and the cells, or the names
    QString earlier; // a copy kept by an earlier run
    QString after;   // "same", "new", or where the old file is kept (a box says so)
};
Q_DECLARE_METATYPE(DataFileRow)

class TestApplication : public QObject {
    Q_OBJECT
  private slots:
    void confAtStart_data()
    {
        QTest::addColumn<QByteArray>("content"); // null: no file
        QTest::addColumn<int>("ifType");
        QTest::addColumn<QString>("port");
        QTest::newRow("no file") << QByteArray() << 3 << "1";
        QTest::newRow("3 and 4") << QByteArray("3\r\n4\r\n") << 3 << "4";
        QTest::newRow("LF only") << QByteArray("1\n2\n") << 1 << "2";
        QTest::newRow("device name") << QByteArray("2\r\n/dev/ttyUSB0\r\n") << 2 << "/dev/ttyUSB0";
        QTest::newRow("interface out of range") << QByteArray("7\r\n1\r\n") << 3 << "1";
        QTest::newRow("not a number") << QByteArray("abc\r\n2\r\n") << 3 << "1";
        QTest::newRow("port 0") << QByteArray("2\r\n0\r\n") << 3 << "1";
        QTest::newRow("empty port line") << QByteArray("2\r\n\r\n") << 3 << "1";
        QTest::newRow("one line") << QByteArray("2\r\n") << 3 << "1";
        QTest::newRow("binary garbage") << QByteArray("\x01\xff\x00\x80", 4) << 3 << "1";
    }
    // Start reads conf.dat, locks the windows until a connection and knows
    // no station and no loco yet.
    void confAtStart()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, ifType);
        QFETCH(QString, port);
        Core c;
        if (!content.isNull())
            QVERIFY(save_file(c.dir.filePath("conf.dat"), content, nullptr));
        QSignalSpy lock(&c.app, &Application::lock_ui);
        QSignalSpy station(&c.app.state, &StationState::station_changed);
        c.app.start();
        QCOMPARE(c.app.state.IfType, ifType);
        QCOMPARE(c.app.state.ComPortNr, port);
        QCOMPARE(c.boxes, QStringList());
        QCOMPARE(lock, (QList<QVariantList>{{true}}));
        QCOMPARE(station.size(), 1);
        QCOMPARE(c.app.state.StationType, 99);
        QCOMPARE(c.app.loco.ThrLoco[1].Adr, -1); // no loco: a free slot (address 0) binds nothing
        QVERIFY(!c.app.MainTimer.isActive());
        c.app.end_program();
        // Neither start nor end writes it, and nothing is sent before connecting.
        QCOMPARE(c.file("conf.dat"), content.isNull() ? "<none>" : content);
        QCOMPARE(c.ports.a.written(), QByteArray());
    }

    // save_conf writes back the file start read, in its case; a data folder
    // that cannot be made is reported, and what stands in its way stays.
    void confSaved_data()
    {
        QTest::addColumn<QString>("folder");   // of the program's files, in the temporary one
        QTest::addColumn<QString>("fileName"); // written there before the start
        QTest::newRow("lower case") << "" << "conf.dat";
        QTest::newRow("other case is found") << "" << "CONF.DAT";
        QTest::newRow("a file in the way of the folder") << "Conf" << "Conf";
    }
    void confSaved()
    {
        QFETCH(QString, folder);
        QFETCH(QString, fileName);
        const bool saved = folder.isEmpty();
        Core c(folder);
        QVERIFY(save_file(c.dir.filePath(fileName), "1\r\n1\r\n", nullptr));
        c.app.start();
        QCOMPARE(c.app.state.IfType, saved ? 1 : 3);
        c.app.state.IfType = 2;
        c.app.state.ComPortNr = "COM7";
        QCOMPARE(c.app.save_conf(), saved);
        QCOMPARE(c.file(fileName), saved ? "2\r\nCOM7\r\n" : "1\r\n1\r\n");
        QCOMPARE(QDir(c.dir.path()).entryList(QDir::Files).size(), 1);
        QCOMPARE(c.boxes.size(), saved ? 0 : 1);
        if (!saved)
            QVERIFY(c.boxes[0].startsWith("conf.dat konnte nicht geschrieben werden: "));
    }

    // Data files that are not regular files (a FIFO left behind, a folder of
    // the same name) count as missing instead of hanging start-up or the help.
    void nonRegularFileCountsAsMissing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        for (const char* name : {"conf.dat", "zk.dat", "Hilfe.txt"})
            for (const char* kind : {"fifo", "folder"})
                QTest::addRow("%s %s", name, kind) << name << kind;
    }
    void nonRegularFileCountsAsMissing()
    {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        if (kind == "folder")
            QVERIFY(QDir().mkpath(path));
        else if (QProcess::execute("mkfifo", {path}) != 0)
            QSKIP("no mkfifo here");

        // Read on another thread: should it block in open(), a writer frees it
        // and the test fails instead of hanging.
        auto reading = std::async(std::launch::async, [&] {
            FakeClock clock;
            MemoryPort port;
            Application core(clock, port, dir.path());
            core.start();
            return QString("%1 %2 %3")
                .arg(core.state.IfType)
                .arg(core.state.ComPortNr)
                .arg(read_help(core.data.file("Hilfe.txt")).size());
        });
        if (reading.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            QFile writer(path);
            writer.open(QIODevice::WriteOnly);
            reading.wait();
            QFAIL("reading waited on a file that is no regular file");
        }
        QCOMPARE(reading.get(), QString("3 1 0")); // the defaults, no help lines
    }
    // FS.DAT and zk.dat from start to "Beenden": whatever their line ends,
    // and never lost when they could not be read whole.
    void dataFilesFromStartToEnd_data()
    {
        QTest::addColumn<DataFileRow>("row");
        const auto row = [](const char* name, DataFileRow r) { QTest::newRow(name) << r; };
        const QByteArray cut = "500\r\n200\r\n\" \"\r\n\"Ma1-";
        const QString cutRead = "500 200 1,1= |1,2=\"Ma1-";
        row("CR only", {"FS.DAT", "500\r200\r\" \"\r\"\"\r\"\"\r\"\"\r\"\"\r\"Ma1-g\"\r", false,
                        false, "500 200 1,1= |1,6=Ma1-g", "", "new"});
        row("cut short, unchanged", {"FS.DAT", cut, false, false, cutRead, "", "same"});
        row("cut short, changed", {"FS.DAT", cut, false, true, cutRead, "", "FS-alt.DAT"});
        row("unreadable, unchanged", {"FS.DAT", "500\r\n", true, false, "0 0 ", "", "same"});
        row("unreadable, changed, an earlier copy stays",
            {"FS.DAT", "500\r\n", true, true, "0 0 ", "fs-alt.dat", "FS-alt2.DAT"});
        row("names: byte-order mark, CR only",
            {"zk.dat", "\xef\xbb\xbf\"G\xc3\xbcterzug\"\r\"B\"\r", false, false, "Güterzug|B||", "",
             "new"});
        row("names: cut short, unchanged",
            {"zk.dat", "\"A\"\r\n\"B", false, false, "A|B||", "", "same"});
        row("names: unreadable, changed",
            {"zk.dat", "\"A\"\r\n", true, true, "|||", "", "zk-alt.dat"});
    }
    void dataFilesFromStartToEnd()
    {
        QFETCH(DataFileRow, row);
        Core c;
        Application& app = c.app;
        const QString path = c.dir.filePath(row.name);
        QVERIFY(save_file(path, row.content, nullptr));
        if (row.unreadable)
            make_unreadable(path);
        const QByteArray before = held(path);
        QStringList files{"FS.DAT", "zk.dat", row.earlier};
        if (!row.earlier.isEmpty())
            QVERIFY(save_file(c.dir.filePath(row.earlier), "earlier", nullptr));
        app.start();
        const bool fs = row.name == "FS.DAT";
        const ZkNames& names = app.kennix.ZkName;
        QCOMPARE(fs ? QStringLiteral("%1 %2 ").arg(app.FSTab.MagT2).arg(app.FSTab.MagT1) +
                          cells(app.FSTab).join('|')
                    : QStringList(names.begin(), names.end()).join('|'),
                 row.read);
        if (row.change && fs)
            app.FSTab.set_cell(9, 6, "Ma9-g");
        else if (row.change)
            app.kennix.set_names({"X", "", "", ""});
        app.end_program();

        const bool kept = row.after != "same" && row.after != "new";
        QCOMPARE(held(path), row.after == "same" ? before
                             : fs                ? route_file::format_fs(app.FSTab)
                                                 : format_zk(names));
        QCOMPARE(held(c.dir.filePath(row.after)), kept ? before : "<none>");
        if (!row.earlier.isEmpty())
            QCOMPARE(held(c.dir.filePath(row.earlier)), "earlier");
        files << (kept ? row.after : QString());
        files.removeAll(QString());
        files.sort();
        QCOMPARE(QDir(c.dir.path()).entryList(QDir::Files, QDir::Name), files);
        const QString box = QStringLiteral("%1 konnte beim Start nicht vollständig gelesen werden. "
                                           "Die alte Datei ist als %2 aufbewahrt, %1 enthält jetzt "
                                           "die geänderten Daten.")
                                .arg(row.name, row.after);
        QCOMPARE(c.boxes, kept ? QStringList{box} : QStringList());
    }

    // A saver that fails is reported and the next one still runs; the
    // second call (closing the window after "Beenden") does nothing.
    void endProgramSavesAndStopsOnce()
    {
        Rig rig;
        QDir data(rig.dir.path());
        QVERIFY(data.mkdir("FS.DAT") && data.mkdir("zk.dat")); // in the way of the files
        QSignalSpy ended(rig.core.get(), &Application::ended);
        rig.core->MainTimer.start();
        rig.core->end_program();
        rig.core->end_program();
        QVERIFY(!rig.core->MainTimer.isActive());
        QCOMPARE(ended.size(), 1);
        QCOMPARE(rig.port.written(), QByteArray()); // nothing is sent on the way out
        QCOMPARE(rig.texts().size(), 2);
        QVERIFY(rig.texts()[0].startsWith("FS.DAT konnte nicht geschrieben werden: "));
        QVERIFY(rig.texts()[1].startsWith("zk.dat konnte nicht geschrieben werden: "));
    }
};

QTEST_GUILESS_MAIN(TestApplication)
#include "tst_application.moc"
