#include "app/options.h"

#include <QtTest>

class TestOptions : public QObject {
    Q_OBJECT
  private slots:
    void parse_data();
    void parse();
};

// Arguments after the program name; what comes out ("error" when refused).
void TestOptions::parse_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("result");
    QTest::newRow("nothing") << QStringList{} << "if=- port=- connect=0 sim=0";
    QTest::newRow("hardware") << QStringList{"--interface", "2", "--port", "1", "--connect"}
                              << "if=2 port=1 connect=1 sim=0";
    QTest::newRow("device name") << QStringList{"--port", "/dev/ttyUSB0"}
                                 << "if=- port=/dev/ttyUSB0 connect=0 sim=0";
    QTest::newRow("simulator") << QStringList{"--simulator"} << "if=- port=- connect=0 sim=2";
    QTest::newRow("simulator=3") << QStringList{"--simulator=3"} << "if=- port=- connect=0 sim=3";
    QTest::newRow("simulator=4") << QStringList{"--simulator=4"} << "error";
    QTest::newRow("interface 4") << QStringList{"--interface", "4"} << "error";
    QTest::newRow("interface x") << QStringList{"--interface", "x"} << "error";
    QTest::newRow("unknown option") << QStringList{"--frobnicate"} << "error";
    QTest::newRow("stray argument") << QStringList{"COM1"} << "error";
}

void TestOptions::parse()
{
    QFETCH(QStringList, args);
    QFETCH(QString, result);
    int exitCode = -1;
    const auto o = parse_options(QStringList{"quorail"} + args, &exitCode);
    if (result == "error") {
        QVERIFY(!o);
        QVERIFY(exitCode != 0);
        return;
    }
    QVERIFY(o);
    QCOMPARE(QString("if=%1 port=%2 connect=%3 sim=%4")
                 .arg(o->ifType ? QString::number(*o->ifType) : "-")
                 .arg(o->port ? *o->port : "-")
                 .arg(int(o->connect))
                 .arg(o->simulator),
             result);
}

QTEST_GUILESS_MAIN(TestOptions)
#include "tst_options.moc"
