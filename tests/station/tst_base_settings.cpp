// The plain form of the base settings: list entries, switching times in
// 50 ms units, the switch-on box, and fields that cannot be written.

#include "station/base_settings.h"

#include <QtTest>

using namespace base_settings;

class TestBaseSettings : public QObject {
    Q_OBJECT
  private slots:
    void lokFormatEntries_data();
    void lokFormatEntries();
    void switchTimeHalvesGoToEven_data();
    void switchTimeHalvesGoToEven();
    void shownAndWrittenBack();
    void unreadableFieldIsNamed_data();
    void unreadableFieldIsNamed();
};

void TestBaseSettings::lokFormatEntries_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("entry");
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("2") << 2 << 2;
    QTest::newRow("4 is DCC 28") << 4 << 3;
    QTest::newRow("6 is DCC 128") << 6 << 4;
    QTest::newRow("3 has none") << 3 << -1;
    QTest::newRow("5 has none") << 5 << -1;
}

void TestBaseSettings::lokFormatEntries()
{
    QFETCH(int, value);
    QFETCH(int, entry);
    QCOMPARE(lok_format_entry(value), entry);
    if (entry >= 0)
        QCOMPARE(lok_format_value(entry), value);
}

void TestBaseSettings::switchTimeHalvesGoToEven_data()
{
    QTest::addColumn<int>("ms");
    QTest::addColumn<int>("units");
    QTest::newRow("1000") << 1000 << 20;
    QTest::newRow("1025 down to even") << 1025 << 20;
    QTest::newRow("1075 up to even") << 1075 << 22;
    QTest::newRow("1026") << 1026 << 21;
    QTest::newRow("25") << 25 << 0;
    QTest::newRow("9999") << 9999 << 200;
}

void TestBaseSettings::switchTimeHalvesGoToEven()
{
    QFETCH(int, ms);
    QFETCH(int, units);
    QCOMPARE(switch_time_units(ms), units);
}

void TestBaseSettings::shownAndWrittenBack()
{
    Shown s;
    show({4, 1, 2, 20, 3, 0}, s);
    QCOMPARE(s.lokFormat, 3);
    QCOMPARE(s.magFormat, 1);
    QCOMPARE(s.minTime, "100");
    QCOMPARE(s.maxTime, "1000");
    QCOMPARE(s.packets, "3");
    QVERIFY(s.stopAtSwitchOn); // option 97 = 0: the box is ticked

    show({3, 7, 2, 20, 3, 1}, s); // values no entry names leave the lists
    QCOMPARE(s.lokFormat, 3);
    QCOMPARE(s.magFormat, 1);
    QVERIFY(!s.stopAtSwitchOn);

    s.stopAtSwitchOn = false;
    s.maxTime = "1075";
    QCOMPARE(values(s, {3, 7, 2, 20, 3, 0}), (Values{4, 1, 2, 22, 3, 1}));
    s.lokFormat = -1;
    QCOMPARE(values(s, {3, 7, 2, 20, 3, 0})->at(LokFormat), 3);
}

void TestBaseSettings::unreadableFieldIsNamed_data()
{
    QTest::addColumn<QString>("minTime");
    QTest::addColumn<QString>("packets");
    QTest::addColumn<int>("field");
    QTest::newRow("empty time") << ""
                                << "3" << int(MinTime);
    QTest::newRow("dash") << "-"
                          << "3" << int(MinTime);
    QTest::newRow("time too long") << "12800"
                                   << "3" << int(MinTime);
    QTest::newRow("256 packets") << "100"
                                 << "256" << int(Packets);
}

void TestBaseSettings::unreadableFieldIsNamed()
{
    QFETCH(QString, minTime);
    QFETCH(QString, packets);
    QFETCH(int, field);
    Shown s{0, 0, minTime, "1000", packets, false};
    Field bad = StopMode;
    QVERIFY(!values(s, {}, &bad));
    QCOMPARE(int(bad), field);
}

QTEST_GUILESS_MAIN(TestBaseSettings)
#include "tst_base_settings.moc"
