// The monitor's lines: bounded, appended in batches, filtered, saved.

#include "loconet/message.h"
#include "loconet/monitor_model.h"

#include <QtTest>

namespace {
// Message number n as a speed message whose bytes tell n apart.
QByteArray numbered(int n)
{
    return ln::frame({0xA0, (n >> 7) & 0x7F, n & 0x7F});
}
} // namespace

class TestMonitorModel : public QObject {
    Q_OBJECT
  private slots:
    void keepsTheNewestLinesInBatches()
    {
        MonitorModel model;
        MonitorFilter shown;
        shown.setSourceModel(&model);
        shown.setFilter(QStringLiteral("Slot"), -1); // every row passes, but each is looked at
        QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);
        const int total = MonitorModel::MaxLines + 5000;
        QElapsedTimer t;
        t.start();
        for (int n = 0; n < total; ++n) {
            model.traffic(n * 0.001, ln::Traffic::Rx, numbered(n));
            if (n % 1000 == 999)
                model.flush();
        }
        QVERIFY2(t.elapsed() < 20000, "a 100,000-message run must not stall the program");
        QCOMPARE(inserts.size(), total / 1000);
        QCOMPARE(model.rowCount(), MonitorModel::MaxLines);
        QCOMPARE(shown.rowCount(), MonitorModel::MaxLines);
        QCOMPARE(model.index(0, MonitorModel::Bytes).data().toString(), ln::hex(numbered(5000)));
        QCOMPARE(
            model.trace_line(model.rowCount() - 1),
            ln::TraceWriter::format((total - 1) * 0.001, ln::Traffic::Rx, numbered(total - 1)));
    }

    void pauseHoldsLinesBackWithinTheBound()
    {
        MonitorModel model;
        model.traffic(0, ln::Traffic::Tx, numbered(0));
        model.flush();
        model.setPaused(true);
        for (int n = 1; n <= MonitorModel::MaxLines + 10; ++n)
            model.traffic(n, ln::Traffic::Rx, numbered(n));
        model.flush();
        QCOMPARE(model.rowCount(), 1);
        model.setPaused(false);
        QCOMPARE(model.rowCount(), MonitorModel::MaxLines);
        QCOMPARE(model.index(0, MonitorModel::Bytes).data().toString(), ln::hex(numbered(11)));
    }

    void filtersByTextAndOpcodeAndSavesTheShownLines()
    {
        MonitorModel model;
        MonitorFilter shown;
        shown.setSourceModel(&model);
        model.traffic(1, ln::Traffic::Tx, ln::frame({0xB0, 0x13, 0x30}));
        model.traffic(2, ln::Traffic::Rx, ln::frame({0xB2, 0x02, 0x70}));
        model.traffic(3, ln::Traffic::Bad, QByteArray::fromHex("B20270FF"));
        model.traffic(4, ln::Traffic::Rx, ln::frame({0x83}));
        model.flush();
        const auto rows = [&](const QString& text, int opcode) {
            shown.setFilter(text, opcode);
            QStringList l;
            for (int r = 0; r < shown.rowCount(); ++r)
                l << shown.index(r, MonitorModel::Time).data().toString();
            return l.join(u' ');
        };
        QCOMPARE(rows(QString(), -1), QStringLiteral("1.000 2.000 3.000 4.000"));
        QCOMPARE(rows(QStringLiteral("weiche"), -1), QStringLiteral("1.000"));
        QCOMPARE(rows(QString(), 0xB2), QStringLiteral("2.000 3.000"));
        QCOMPARE(rows(QStringLiteral("bad"), 0xB2), QStringLiteral("3.000"));
        QCOMPARE(rows(QStringLiteral("83 7C"), -1), QStringLiteral("4.000"));
        // Saved, the shown lines make a trace.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("trace.txt"));
        QVERIFY(save_trace(shown, path, nullptr));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("    4.000  RX  83 7C\n"));
    }

    void opcodeText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("opcode"); // -2: refused
        QTest::newRow("empty") << "  " << -1;
        QTest::newRow("two digits") << "b2" << 0xB2;
        QTest::newRow("0x") << "0xE7" << 0xE7;
        QTest::newRow("data byte") << "7F" << -2;
        QTest::newRow("three digits") << "1B2" << -2;
        QTest::newRow("text") << "Weiche" << -2;
    }

    void opcodeText()
    {
        QFETCH(QString, text);
        QFETCH(int, opcode);
        QCOMPARE(opcode_filter(text).value_or(-2), opcode);
    }
};

QTEST_GUILESS_MAIN(TestMonitorModel)
#include "tst_monitor_model.moc"
