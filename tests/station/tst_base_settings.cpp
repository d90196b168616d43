// The plain form of the base settings: list entries, switching times in
// 50 ms units, the switch-on box, and fields that cannot be written.

#include "station/base_settings.h"

#include <QtTest>

using namespace base_settings;

class TestBaseSettings : public QObject {
    Q_OBJECT
  private slots:
    void lokFormatEntries_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("entry");
        for (auto [value, entry] : {std::pair{0, 0}, {2, 2}, {4, 3}, {6, 4}, {3, -1}, {5, -1}})
            QTest::addRow("%d", value) << value << entry;
    }
    void lokFormatEntries()
    {
        QFETCH(int, value);
        QFETCH(int, entry);
        QCOMPARE(lok_format_entry(value), entry);
        if (entry >= 0)
            QCOMPARE(lok_format_value(entry), value);
    }

    void switchTimeHalvesGoToEven_data()
    {
        QTest::addColumn<int>("ms");
        QTest::addColumn<int>("units");
        for (auto [ms, units] : {std::pair{1000, 20}, {1025, 20}, {1075, 22}, {1026, 21}, {25, 0}})
            QTest::addRow("%d ms", ms) << ms << units;
    }
    void switchTimeHalvesGoToEven()
    {
        QFETCH(int, ms);
        QFETCH(int, units);
        QCOMPARE(switch_time_units(ms), units);
    }

    void shownAndWrittenBack()
    {
        Shown s;
        show({4, 1, 2, 20, 3, 0}, s);
        QCOMPARE(s.lokFormat, 3);
        QCOMPARE(s.minTime, "100");
        QCOMPARE(s.maxTime, "1000");
        QVERIFY(s.stopAtSwitchOn); // option 97 = 0: the box is ticked

        show({3, 7, 2, 20, 3, 1}, s); // values no entry names leave the lists
        QCOMPARE(s.lokFormat, 3);
        QCOMPARE(s.magFormat, 1);
        QVERIFY(!s.stopAtSwitchOn);

        s.maxTime = "1075";
        QCOMPARE(values(s, {3, 7, 2, 20, 3, 0}), (Values{4, 1, 2, 22, 3, 1}));
        s.lokFormat = -1;
        QCOMPARE(values(s, {3, 7, 2, 20, 3, 0})->at(LokFormat), 3);
    }
};

QTEST_GUILESS_MAIN(TestBaseSettings)
#include "tst_base_settings.moc"
