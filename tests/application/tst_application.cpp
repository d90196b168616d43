#include "core/conf.h"
#include "support/rig.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QtTest>

namespace {
void writeFile(const QString& path, const QByteArray& content)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A core started on a data folder holding the given conf.dat (null: none).
struct Started {
    explicit Started(const QByteArray* conf, const QString& name = "conf.dat")
    {
        if (conf)
            writeFile(dir.filePath(name), *conf);
        core = std::make_unique<Application>(clock, ports.a, dir.path());
        QObject::connect(&core->msgs, &MessageService::shown, [this] { ++boxes; });
        core->start();
    }
    QTemporaryDir dir;
    FakeClock clock;
    MemoryPortPair ports;
    std::unique_ptr<Application> core;
    int boxes = 0;
};
} // namespace

class TestApplication : public QObject {
    Q_OBJECT
  private slots:
    void confAtStart_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("ifType");
        QTest::addColumn<QString>("port");
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
    void confAtStart()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, ifType);
        QFETCH(QString, port);
        Started s(&content);
        QCOMPARE(s.core->state.IfType, ifType);
        QCOMPARE(s.core->state.ComPortNr, port);
        QCOMPARE(s.boxes, 0);
        QCOMPARE(readFile(s.dir.filePath("conf.dat")), content); // start never writes it
        QCOMPARE(s.ports.a.written(), QByteArray());             // nothing sent before connecting
    }

    void missingConfStartsWithDefaultsAndWritesNothing()
    {
        Started s(nullptr);
        QCOMPARE(s.core->state.IfType, 3);
        QCOMPARE(s.core->state.ComPortNr, QString("1"));
        QCOMPARE(s.boxes, 0);
        s.core->end_program();
        QVERIFY(!QFile::exists(s.dir.filePath("conf.dat")));
    }

    void confRoundTrip_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::newRow("lower case") << "conf.dat";
        QTest::newRow("other case is found") << "CONF.DAT";
    }
    void confRoundTrip()
    {
        QFETCH(QString, fileName);
        const QByteArray old("1\r\n1\r\n");
        Started s(&old, fileName);
        QCOMPARE(s.core->state.IfType, 1);
        s.core->state.IfType = 2;
        s.core->state.ComPortNr = "COM7";
        QVERIFY(s.core->save_conf());
        QCOMPARE(readFile(s.dir.filePath(fileName)), QByteArray("2\r\nCOM7\r\n"));
        QCOMPARE(QDir(s.dir.path()).entryList(QDir::Files).size(), 1);
        Started again(nullptr);
        const auto back = read_conf(s.dir.filePath(fileName));
        QVERIFY(back.has_value());
        QCOMPARE(back->IfType, 2);
        QCOMPARE(back->ComPortNr, QString("COM7"));
    }

    void unwritableConfIsReported()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath("Conf"), "not a folder");
        FakeClock clock;
        MemoryPortPair ports;
        Application core(clock, ports.a, dir.filePath("Conf"));
        QSignalSpy boxes(&core.msgs, &MessageService::shown);
        core.start();
        QVERIFY(!core.save_conf());
        QCOMPARE(boxes.size(), 1);
        QVERIFY(boxes[0][1].toString().startsWith("conf.dat konnte nicht geschrieben werden: "));
        QCOMPARE(readFile(dir.filePath("Conf")), QByteArray("not a folder"));
    }

    void startValuesAndLock()
    {
        QTemporaryDir dir;
        FakeClock clock;
        MemoryPortPair ports;
        Application core(clock, ports.a, dir.path());
        QSignalSpy lock(&core, &Application::lock_ui);
        QSignalSpy station(&core.state, &StationState::station_changed);
        core.start();
        QCOMPARE(lock.size(), 1);
        QCOMPARE(lock[0][0].toBool(), true);
        QCOMPARE(station.size(), 1);
        QCOMPARE(core.state.StationType, 99);
        QCOMPARE(core.loco.ThrLoco[1].Adr, -1); // no loco: a free slot (address 0) binds nothing
        QVERIFY(!core.MainTimer.isActive());
    }

    void endProgramStopsOnce()
    {
        Rig rig;
        QSignalSpy ended(rig.core.get(), &Application::ended);
        rig.core->MainTimer.start();
        rig.core->end_program();
        rig.core->end_program(); // closing the window after "Beenden"
        QVERIFY(!rig.core->MainTimer.isActive());
        QCOMPARE(ended.size(), 1);
        QCOMPARE(rig.port.written(), QByteArray()); // nothing is sent on the way out
    }
};

QTEST_GUILESS_MAIN(TestApplication)
#include "tst_application.moc"
