// The throttle tables: speed steps shown per step count, the picture names
// and the address typed.

#include "loco/throttle.h"

#include <QtTest>

class TestThrottle : public QObject {
    Q_OBJECT
  private slots:
    void speedStepShown_data()
    {
        QTest::addColumn<int>("steps");
        QTest::addColumn<int>("v");
        QTest::addColumn<int>("shown");
        const struct {
            int steps, v, shown;
        } rows[] = {
            {14, 1, 0},    {14, 2, 1},      {14, 9, 1},    {14, 10, 2},   {14, 18, 2},
            {14, 123, 13}, {14, 124, 14},   {14, 127, 14}, {28, 0, 0},    {28, 2, 1},
            {28, 6, 1},    {28, 7, 2},      {28, 124, 28}, {28, 127, 28}, {128, 1, 0},
            {128, 2, 1},   {128, 127, 126}, {31, 7, 1},    {31, 8, 2},    {31, 127, 31},
            {15, 7, 1},    {15, 16, 2},     {15, 17, 3},   {15, 127, 15}, {27, 7, 1},
            {27, 8, 2},    {27, 120, 26},   {27, 121, 27}, {27, 127, 27}, {0, 50, -1},
            {29, 50, -1},
        };
        for (const auto& r : rows)
            QTest::addRow("%d steps, v %d", r.steps, r.v) << r.steps << r.v << r.shown;
    }
    void speedStepShown()
    {
        QFETCH(int, steps);
        QFETCH(int, v);
        QFETCH(int, shown);
        QCOMPARE(speed_step(v, steps), shown);
    }

    void pictureNames_data()
    {
        QTest::addColumn<QList<int>>("state"); // lights, F1, F2, direction
        QTest::addColumn<QString>("name");
        QTest::newRow("dark forward") << QList<int>{0, 0, 0, 0} << "Lokv.bmp";
        QTest::newRow("lights forward") << QList<int>{1, 0, 0, 0} << "Loklv.bmp";
        QTest::newRow("F1 reverse") << QList<int>{0, 1, 0, 1} << "Lokrr.bmp";
        QTest::newRow("all on reverse") << QList<int>{1, 1, 1, 1} << "Loklrfr.bmp";
        QTest::newRow("lights F2 forward") << QList<int>{1, 0, 1, 0} << "Loklfv.bmp";
    }
    void pictureNames()
    {
        QFETCH(QList<int>, state);
        QFETCH(QString, name);
        QCOMPARE(lok_picture_name(state[0], state[1], state[2], state[3]), name);
    }

    void addressTyped_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("adr");
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("leading zeros") << "0042" << 42;
        QTest::newRow("highest") << "16383" << 16383;
        QTest::newRow("too high for the bus") << "16384" << 0;
    }
    void addressTyped()
    {
        QFETCH(QString, text);
        QFETCH(int, adr);
        QCOMPARE(lok_address(text), adr);
    }
};

QTEST_GUILESS_MAIN(TestThrottle)
#include "tst_throttle.moc"
