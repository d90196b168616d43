// Data files that are not regular files (a FIFO left behind, a folder of
// the same name) count as missing instead of hanging start-up or the help.

#include "application/application.h"
#include "core/shell.h"
#include "loconet/memory_port.h"

#include <QtTest>
#include <future>

class TestDataFile : public QObject {
    Q_OBJECT
  private slots:
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
};

QTEST_GUILESS_MAIN(TestDataFile)
#include "tst_data_file.moc"
