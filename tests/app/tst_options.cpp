#include "app/options.h"

#include <QDir>
#include <QProcess>
#include <QtTest>

class TestOptions : public QObject {
    Q_OBJECT
  private slots:
    // Arguments after the program name; what comes out ("error" when refused).
    void parse_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("result");
        QTest::newRow("nothing") << QStringList{} << "if=- port=- connect=0 sim=0";
        QTest::newRow("hardware") << QStringList{"--interface", "2", "--port", "1", "--connect"}
                                  << "if=2 port=1 connect=1 sim=0";
        QTest::newRow("simulator") << QStringList{"--simulator"} << "if=- port=- connect=0 sim=2";
        QTest::newRow("simulator=3")
            << QStringList{"--simulator=3"} << "if=- port=- connect=0 sim=3";
        QTest::newRow("simulator=4") << QStringList{"--simulator=4"} << "error";
        QTest::newRow("interface 4") << QStringList{"--interface", "4"} << "error";
        QTest::newRow("interface x") << QStringList{"--interface", "x"} << "error";
        QTest::newRow("unknown option") << QStringList{"--frobnicate"} << "error";
        QTest::newRow("stray argument") << QStringList{"COM1"} << "error";
        const QString none = "if=- port=- connect=0 sim=0";
        QTest::newRow("lbserver") << QStringList{"--lbserver"} << none + " lb=127.0.0.1:1234";
        QTest::newRow("lbserver=0") << QStringList{"--lbserver=0"} << none + " lb=127.0.0.1:0";
        QTest::newRow("lbserver-bind")
            << QStringList{"--lbserver=1235", "--lbserver-bind", "0.0.0.0"}
            << none + " lb=0.0.0.0:1235";
        QTest::newRow("lbserver=65536") << QStringList{"--lbserver=65536"} << "error";
        QTest::newRow("lbserver=x") << QStringList{"--lbserver=x"} << "error";
        QTest::newRow("bind to a name")
            << QStringList{"--lbserver", "--lbserver-bind", "pc"} << "error";
        QTest::newRow("withrottle") << QStringList{"--withrottle"} << none + " wt=0.0.0.0:12090";
        QTest::newRow("withrottle=0 bound")
            << QStringList{"--withrottle=0", "--withrottle-bind", "192.168.1.20"}
            << none + " wt=192.168.1.20:0";
        QTest::newRow("withrottle=x") << QStringList{"--withrottle=x"} << "error";
        QTest::newRow("withrottle bound to a name")
            << QStringList{"--withrottle", "--withrottle-bind", "pc"} << "error";
        QTest::newRow("client address") << QStringList{"--port", "127.0.0.1:1234"}
                                        << "if=- port=127.0.0.1:1234 connect=0 sim=0";
    }
    void parse()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, result);
        int exitCode = -1;
        const auto o = parse_options(QStringList{"quorail"} + args, &exitCode);
        if (result == "error") {
            QVERIFY(!o);
            QCOMPARE(exitCode, 2);
            return;
        }
        QVERIFY(o);
        const auto server = [](const QString& name, const QString& bind,
                               std::optional<quint16> port) {
            return port ? QStringLiteral(" %1=%2:%3").arg(name, bind).arg(*port) : QString();
        };
        QCOMPARE(QString("if=%1 port=%2 connect=%3 sim=%4")
                         .arg(o->ifType ? QString::number(*o->ifType) : "-")
                         .arg(o->port ? *o->port : "-")
                         .arg(int(o->connect))
                         .arg(o->simulator) +
                     server("lb", o->lbServerBind, o->lbServerPort) +
                     server("wt", o->wiThrottleBind, o->wiThrottlePort),
                 result);
    }

    // The program itself, with no display to show a window on.
    void answersWithoutADisplay_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output");
        QTest::newRow("help") << QStringList{"--help"} << 0 << "--conf-dir";
        QTest::newRow("version") << QStringList{"--version"} << 0 << "quorail 0.1.0";
        QTest::newRow("data files") << QStringList{"--data-files"} << 0 << "Hilfe.txt";
        // The build folder's own files stand in for an installation's.
        QTest::newRow("data folder of its own")
            << QStringList{"--conf-dir", QDir::tempPath() + "/quorail-own", "--data-files"} << 0
            << "/share/quorail/Hilfe.txt\n";
        QTest::newRow("loco list and module descriptions")
            << QStringList{"--conf-dir", QDir::tempPath() + "/quorail-own", "--data-files"} << 0
            << "quorail-own/Lokliste.dat (missing)\nHilfe.txt";
        QTest::newRow("the installation's module descriptions")
            << QStringList{"--data-files"} << 0 << "/share/quorail/LNCV\n";
        QTest::newRow("bad value")
            << QStringList{"--interface=7"} << 2 << "--interface must be 1, 2 or 3";
    }
    void answersWithoutADisplay()
    {
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        QProcess quorail;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        quorail.setProcessEnvironment(env);
        quorail.start(QUORAIL_PROGRAM, options);
        QVERIFY(quorail.waitForFinished(10000));
        QCOMPARE(quorail.exitStatus(), QProcess::NormalExit);
        QCOMPARE(quorail.exitCode(), exitCode);
        QVERIFY(QString::fromLocal8Bit(quorail.readAll() + quorail.readAllStandardError())
                    .contains(output));
    }

    // --decode reads a file or standard input without a display.
    void decodesSavedTraffic_data()
    {
        QTest::addColumn<QString>("file"); // "-": the text comes on standard input
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("trace file")
            << "saved.txt" << QByteArray("    0.500  TX  82 7D\n    0.510  RX  B2 02 70 3F\n") << 0
            << "82 7D\tGleisspannung aus (STOP)\nB2 02 70 3F\tRückmelder 6: belegt\n"
            << "";
        QTest::newRow("standard input, a line no message")
            << "-" << QByteArray("hallo\n83 7C\n") << 0 << "83 7C\tGleisspannung ein (GO)\n"
            << "quorail: (standard input):1: not a LocoNet message, skipped\n";
        QTest::newRow("missing file") << "missing.txt" << QByteArray() << 1 << ""
                                      << "quorail: cannot read ";
    }
    void decodesSavedTraffic()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, text);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QTemporaryDir dir;
        const QString path = file == "-" ? file : dir.filePath(file);
        if (file == "saved.txt") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(text) == text.size());
        }
        QProcess quorail;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        quorail.setProcessEnvironment(env);
        quorail.start(QUORAIL_PROGRAM, {"--decode", path});
        if (file == "-")
            quorail.write(text);
        quorail.closeWriteChannel();
        QVERIFY(quorail.waitForFinished(10000));
        QCOMPARE(quorail.exitCode(), exitCode);
        QCOMPARE(QString::fromUtf8(quorail.readAllStandardOutput()), out);
        QCOMPARE(QString::fromLocal8Bit(quorail.readAllStandardError()).left(err.size()), err);
    }
};

QTEST_GUILESS_MAIN(TestOptions)
#include "tst_options.moc"
