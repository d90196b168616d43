// The program installed under a prefix of its own, as a user gets it: it
// reads the files that come with it from the installation, unless the
// user's data folder has his own, and keeps the user's files in his
// application-data folder, since the folder beside the program is not his.

#include "core/clock.h"
#include "support/programs.h"
#include "support/pty_station.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestInstall : public QObject {
    Q_OBJECT
  private slots:
    void installedProgramReadsItsFilesAndWritesTheUsers()
    {
        QProcess install;
        install.start(CMAKE_PROGRAM, {"--install", QUORAIL_BUILD_DIR, "--prefix", prefix.path()});
        QVERIFY(install.waitForFinished(120000));
        QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());
        for (const char* file :
             {"bin/quorail-sim", "bin/quorail-locopictures", "share/quorail/Loklv.bmp",
              "share/applications/quorail.desktop", "share/icons/hicolor/256x256/apps/quorail.png",
              "share/doc/quorail/copyright", "share/doc/quorail/changelog.gz",
              "share/man/man1/quorail.1.gz"})
            QVERIFY2(QFile::exists(prefix.filePath(file)), file);
        QVERIFY(!QFile::exists(prefix.filePath("bin/Conf")));

        const QString shared = prefix.filePath("share/quorail");
        const QString own = home.filePath(".local/share/quorail");
        const QString other = home.filePath("other");
        QVERIFY(QDir().mkpath(own) && QDir().mkpath(other));
        QVERIFY(QFile::copy(shared + "/Hersteller.dat", own + "/Hersteller.dat"));
        for (const QString& dir : {own, other}) {
            const QString lines = run(dir == own ? QStringList{} : QStringList{"--conf-dir", dir});
            for (const QString& line : {"Hilfe.txt         " + shared + "/Hilfe.txt\n",
                                        "Lok0.bmp          " + shared + "/Lok0.bmp\n",
                                        "conf.dat          " + dir + "/conf.dat (missing)\n"})
                QVERIFY2(lines.contains(line), qPrintable(lines));
            if (dir == own) // his own copy comes first
                QVERIFY2(lines.contains(own + "/Hersteller.dat\n"), qPrintable(lines));
        }

        // With the virtual station: asked to end once connected, it saves
        // the routes and category names as "Beenden" does.
        QProcess simulated;
        const QString trace = home.filePath("trace.log");
        start(simulated, {"--simulator", "--trace", trace});
        QVERIFY(QTest::qWaitFor([&] { return traced(trace).contains("TX  BB 00 00"); }, 30000));
        QVERIFY(endsCleanly(simulated));
        QVERIFY(QFile::exists(own + "/FS.DAT") && QFile::exists(own + "/zk.dat"));

        // A connection over a real port writes conf.dat.
        SteadyClock clock;
        PtyStation bus(clock);
        if (!bus.station)
            QSKIP("no pseudo-terminals here");
        QProcess connected;
        start(connected, {"--interface", "3", "--port", bus.slavePath(), "--connect"});
        QVERIFY(QTest::qWaitFor([&] { return QFile::exists(own + "/conf.dat"); }, 30000));
        QVERIFY(endsCleanly(connected));
    }

  private:
    void start(QProcess& p, const QStringList& args)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(name);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        p.setProcessEnvironment(env);
        p.start(prefix.filePath("bin/quorail"), args);
    }
    // What --data-files prints.
    QString run(const QStringList& args)
    {
        QProcess p;
        start(p, args + QStringList{"--data-files"});
        p.waitForFinished(10000);
        return QString::fromLocal8Bit(p.readAllStandardOutput());
    }
    static QByteArray traced(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir prefix, home;
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
