// The program installed under a prefix of its own, as a user gets it: it
// reads the files that come with it from the installation and keeps the
// user's own files in his application-data folder, since the folder beside
// the installed program is not his.

#include "core/clock.h"
#include "support/programs.h"
#include "support/pty_station.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestInstall : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase()
    {
        QProcess install;
        install.start(CMAKE_PROGRAM, {"--install", QUORAIL_BUILD_DIR, "--prefix", prefix.path()});
        QVERIFY(install.waitForFinished(120000));
        QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());
        env.insert("HOME", home.path());
        for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(name);
        env.insert("QT_QPA_PLATFORM", "offscreen");
    }

    void installedProgramReadsItsFilesAndWritesTheUsers()
    {
        const QString shared = prefix.filePath("share/quorail");
        const QString own = home.filePath(".local/share/quorail");
        for (const char* file :
             {"bin/quorail-sim", "bin/quorail-locopictures", "share/quorail/Loklv.bmp",
              "share/applications/quorail.desktop", "share/icons/hicolor/256x256/apps/quorail.png"})
            QVERIFY2(QFile::exists(prefix.filePath(file)), file);
        QVERIFY(!QFile::exists(prefix.filePath("bin/Conf")));

        QProcess where;
        start(where, {"--data-files"});
        QVERIFY(where.waitForFinished(10000));
        const QString lines = QString::fromLocal8Bit(where.readAllStandardOutput());
        for (const QString& line : {"Hilfe.txt         " + shared + "/Hilfe.txt\n",
                                    "Hersteller.dat    " + shared + "/Hersteller.dat\n",
                                    "Lok0.bmp          " + shared + "/Lok0.bmp\n",
                                    "conf.dat          " + own + "/conf.dat (missing)\n"})
            QVERIFY2(lines.contains(line), qPrintable(lines));

        // With the virtual station: asked to end once connected, it saves
        // the routes and category names as "Beenden" does.
        QProcess simulated;
        const QString trace = home.filePath("trace.log");
        start(simulated, {"--simulator", "--trace", trace});
        QVERIFY(QTest::qWaitFor([&] { return traced(trace).contains("TX  BB 00 00"); }, 30000));
        QVERIFY(endsCleanly(simulated));
        QVERIFY(QFile::exists(own + "/FS.DAT"));
        QVERIFY(QFile::exists(own + "/zk.dat"));
        QVERIFY(!QFile::exists(own + "/conf.dat")); // a run against it leaves conf.dat alone

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
        p.setProcessEnvironment(env);
        p.start(prefix.filePath("bin/quorail"), args);
    }
    static QByteArray traced(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir prefix, home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
