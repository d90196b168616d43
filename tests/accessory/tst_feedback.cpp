#include "support/rig.h"

#include <QSignalSpy>
#include <QtTest>

struct SensorReport {
    int b1, b2, s, level, colour;
};
Q_DECLARE_METATYPE(SensorReport)

class TestFeedback : public QObject {
    Q_OBJECT
  private slots:
    // A B2 on the bus with page 1 shown: the sensor, its level, and the
    // indicator it colours (-1 none).
    void sensorReport_data()
    {
        QTest::addColumn<SensorReport>("r");
        QTest::newRow("sensor 12 occupied") << SensorReport{0x05, 0x30, 11, 1, colour::Red};
        QTest::newRow("sensor 1 free, 0x40 ignored") << SensorReport{0, 0x40, 0, 0, colour::Yellow};
        QTest::newRow("4095, beyond the panel") << SensorReport{0x7F, 0x2F, 4095, 0, -1};
        QTest::newRow("sensor 17, next page") << SensorReport{0x08, 0x50, 16, 1, -1};
    }
    void sensorReport()
    {
        QFETCH(SensorReport, r);
        const auto [b1, b2, s, level, colour] = r;
        Rig rig;
        Feedback& fb = rig.core->feedback;
        QSignalSpy anz(&fb, &Feedback::rm_anz);
        QSignalSpy trigger(&fb, &Feedback::route_trigger_rm);
        rig.send({0xB2, b1, b2});
        rig.tick();
        QCOMPARE(fb.RmState[size_t(s)], level);
        QCOMPARE(std::count(fb.RmState.begin(), fb.RmState.end(), -1), Feedback::Sensors - 1);
        QCOMPARE(trigger.size(), 1);
        QCOMPARE(trigger[0], (QVariantList{s, level}));
        QCOMPARE(anz.size(), colour < 0 ? 0 : 1);
        if (colour >= 0)
            QCOMPARE(anz[0], (QVariantList{s, colour}));
        QCOMPARE(fb.rm_text(s), level ? "frei" : "belegt");
    }

    void reselectingThePageDoesNotRepaint()
    {
        Rig rig;
        Feedback& fb = rig.core->feedback;
        QSignalSpy anz(&fb, &Feedback::rm_anz);
        QSignalSpy shown(&fb, &Feedback::page_shown);
        fb.select_page(0);
        QCOMPARE(anz.size(), 0);
        fb.select_page(1);
        QCOMPARE(anz.size(), 16);
        QCOMPARE(anz[0], (QVariantList{0, colour::White}));
        QCOMPARE(shown.size(), 2); // the tool tips are rewritten both times
        QVERIFY(rig.takeWire().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestFeedback)
#include "tst_feedback.moc"
