#include "support/rig.h"

#include <QtTest>

class TestEngine : public QObject {
    Q_OBJECT
  private slots:
    void oneMessageJobs_data()
    {
        QTest::addColumn<int>("job");
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("wire");
        const auto row = [](const char* name, int job, const char* raw, const char* wire) {
            QTest::newRow(name) << job << QString(raw) << QString(wire);
        };
        row("40 empty text", 40, "", "");
        row("40 typed with a wrong checksum", 40, "82 7C", "82 7C 01");
        row("40 refused value", 40, "B0 13 3G", "");
        row("46 reset configuration", 46, "", "ED 0F 01 5A 56 18 00 00 00 00 00 00 00 00 08");
        row("unknown job", 99, "", "");
    }
    void oneMessageJobs()
    {
        QFETCH(int, job);
        QFETCH(QString, raw);
        QFETCH(QString, wire);
        Rig rig;
        QSignalSpy lock(rig.core.get(), &Application::lock_ui);
        rig.tick();
        QCOMPARE(lock.size(), 0); // idle: no lock
        rig.core->req.RawText = raw;
        rig.core->req.post(job);
        rig.tick();
        QCOMPARE(rig.takeWire(), wire);
        // Finished in the same tick: locked for that tick only.
        QCOMPARE(rig.core->req.ReqJob, 0);
        QCOMPARE(QList<QVariantList>(lock), (QList<QVariantList>{{true}, {false}}));
    }

    void noStepWhileMessageInFlight()
    {
        Rig rig;
        ReqEngine& req = rig.core->req;
        QSignalSpy lock(rig.core.get(), &Application::lock_ui);
        int steps = 0;
        req.registerJob(77, [&] { return ++steps == 2; });
        rig.core->link.put({0x83});
        req.ReqAdr = 5;
        req.post(77);
        rig.tick(3); // 83 sent, no echo: the job waits
        QCOMPARE(steps, 0);
        QCOMPARE(lock.size(), 3);
        rig.echo(); // frees the buffer on arrival
        rig.tick();
        QCOMPARE(steps, 1);
        rig.tick();
        QCOMPARE(steps, 2);
        QCOMPARE(req.ReqJob, 0);
        QCOMPARE(req.ReqAdr, 0);
        QCOMPARE(QList<QVariantList>(lock), QList<QVariantList>(5, {true}) << QVariantList{false});
    }

    // However a job ends, its ending runs once and learns how. The steps
    // run as "job:step": a newer job starts at step 0, the old one stops.
    void endingRunsOnce_data()
    {
        QTest::addColumn<ReqEngine::End>("ended");
        QTest::addColumn<QString>("ran");
        QTest::newRow("finished") << ReqEngine::End::Done << "77:0 77:1 77:2";
        QTest::newRow("replaced by a newer post") << ReqEngine::End::Replaced << "77:0 77:1 78:0";
        QTest::newRow("connection gone") << ReqEngine::End::Disconnected << "77:0 77:1";
    }
    void endingRunsOnce()
    {
        QFETCH(ReqEngine::End, ended);
        QFETCH(QString, ran);
        Rig rig;
        ReqEngine& req = rig.core->req;
        QList<ReqEngine::End> endings;
        QStringList steps;
        bool finish = false;
        const auto step = [&](int job) {
            steps << QStringLiteral("%1:%2").arg(job).arg(req.ReqStep++);
            return job == 78 || finish;
        };
        req.registerJob(77, {.step = [&] { return step(77); },
                             .ending = [&](ReqEngine::End e) {
                                 endings << e;
                                 QCOMPARE(req.ReqJob, 0); // an ending sees the engine free
                             }});
        req.registerJob(78, [&] { return step(78); });
        req.post(77);
        rig.tick(2);
        if (ended == ReqEngine::End::Done)
            finish = true;
        else if (ended == ReqEngine::End::Replaced)
            req.post(78);
        else
            rig.core->conn.disconnect_port("1");
        rig.tick(3);
        QCOMPARE(endings, QList<ReqEngine::End>{ended});
        QCOMPARE(steps.join(' '), ran);
    }

    // A user's action is refused with one box while nothing could run it or
    // while a job runs that must not be cut off; otherwise it replaces.
    void userActionAsksFirst_data()
    {
        QTest::addColumn<bool>("online");
        QTest::addColumn<bool>("exclusive");
        QTest::addColumn<int>("runs");
        QTest::addColumn<QStringList>("boxes");
        QTest::newRow("disconnected")
            << false << false << 0
            << QStringList{"Keine Verbindung zur Zentrale: bitte erst \"Verbinden\"."};
        QTest::newRow("a job that must finish")
            << true << true << 77
            << QStringList{"Bitte warten, bis die Probe beendet ist."};
        QTest::newRow("a job that may be replaced") << true << false << 3 << QStringList{};
    }
    void userActionAsksFirst()
    {
        QFETCH(bool, online);
        QFETCH(bool, exclusive);
        QFETCH(int, runs);
        QFETCH(QStringList, boxes);
        Rig rig;
        ReqEngine& req = rig.core->req;
        req.registerJob(77, {.step = [] { return false; },
                             .exclusive = [exclusive] { return exclusive; },
                             .what = "die Probe"});
        req.online = online;
        if (online)
            req.post(77);
        QCOMPARE(req.request(3), boxes.isEmpty());
        QCOMPARE(req.ReqJob, runs);
        QCOMPARE(rig.texts(), boxes);
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
