// Kennix receiver reports and their window slots, and the category names
// in zk.dat.

#include "core/file_io.h"
#include "sim/demo_layout.h"
#include "sim/virtual_station.h"
#include "support/rig.h"
#include "trainid/zk_file.h"

#include <QtTest>

namespace {
using Place = Kennix::Place;
const ZkNames kNames = {"Personenzug", "Güterzug", "Schnellzug", "Rangierfahrt"};

// Records which windows the core showed and how it placed them.
struct Watched : Rig {
    Watched()
    {
        core->kennix.ZkName = kNames;
        QObject::connect(&core->kennix, &Kennix::window_shown, [this](int k, Place p) {
            const char* how[] = {"keep", "tile", "saved"};
            log << QStringLiteral("%1 %2").arg(k).arg(how[int(p)]);
        });
    }
    QStringList slot(int k) const
    {
        const KnxSlot& s = core->kennix.KnxWin[size_t(k)];
        return {QString::number(s.receiver), s.LadrTxt, s.ZkTXT, s.FRTxt, s.SpeedTxt};
    }
    QStringList log;
};

} // namespace

class TstKennix : public QObject {
    Q_OBJECT

  private slots:
    void reports_data()
    {
        QTest::addColumn<QStringList>("messages"); // hex, checksum added
        QTest::addColumn<QStringList>("slot1");    // receiver and the four texts
        QTest::addColumn<QStringList>("log");
        const auto row = [](const char* name, const QStringList& messages, const QStringList& slot1,
                            const QStringList& log) {
            QTest::newRow(name) << messages << slot1 << log;
        };
        row("long address, no direction", {"E4 08 00 0F 7F 07 68"},
            {"2047", "1000", "Personenzug", "-", "-"}, {"1 tile"});
        row("S2 nach S1, category 4", {"E4 08 03 60 05 00 03"},
            {"5", "3", "Rangierfahrt", "S2 nach S1", "-"}, {"1 tile"});
        row("speed opens a window", {"E4 08 00 21 05 01 10"}, {"133", "-", "-", "-", "144 Km/h"},
            {"1 tile"});
        row("loco report, then its speed", {"E4 08 02 41 05 00 2A", "E4 08 00 21 05 7F 7F"},
            {"133", "42", "Schnellzug", "S1 nach S2", "511 Km/h"}, {"1 tile", "1 keep"});
        row("clear with a window", {"E4 08 02 41 05 00 2A", "E4 08 01 21 05 00 02"},
            {"133", "-", "-", "-", "-"}, {"1 tile", "1 saved"});
        row("ignored: clear without a window, other kind 1, other length",
            {"E4 08 01 21 05 00 02", "E4 08 01 21 05 00 03", "E4 08 02 21 05 00 02",
             "E4 0A 02 41 05 00 2A 00 00"},
            {"-2", "", "", "", ""}, {});
        // Receiver 0 is a receiver like any other, not an unused slot.
        row("receiver 0, then receiver 1", {"E4 08 00 40 00 00 07", "E4 08 00 40 01 00 08"},
            {"0", "7", "Personenzug", "S1 nach S2", "-"}, {"1 tile", "2 tile"});
    }
    void reports()
    {
        QFETCH(QStringList, messages);
        QFETCH(QStringList, slot1);
        QFETCH(QStringList, log);
        Watched w;
        for (const QString& m : messages) {
            w.sendRaw(ln::frame(QByteArray::fromHex(m.toLatin1())));
            w.tick();
        }
        QCOMPARE(w.slot(1), slot1);
        QCOMPARE(w.log, log);
    }

    // Twenty windows at most, tiled across the screen row by row.
    void twentyWindowsAtMost()
    {
        Watched w;
        const auto loco = [&w](int r) { // receiver r saw loco 42
            w.send({0xE4, 0x08, 2, 0x40 | r >> 7, r & 0x7F, 0, 42});
            w.tick();
        };
        for (int r = 1; r <= 21; ++r)
            loco(r);
        QCOMPARE(w.log.size(), 20);
        QCOMPARE(w.slot(20).first(), "20");
        w.core->kennix.query_unload(3, {});
        w.core->kennix.answer_close(Kennix::Ja);
        w.log.clear();
        loco(21);
        QCOMPARE(w.log, QStringList{"3 saved"});
        QCOMPARE(Kennix::tile_position(5, {200, 100}, 1100), QPoint(800, 0));
        QCOMPARE(Kennix::tile_position(6, {200, 100}, 1100), QPoint(0, 100));
    }

    void demoTrainsOpenWindowsAsTheyPass()
    {
        Watched w;
        sim::VirtualStation station(w.bus, w.clock);
        station.setupDemo();
        w.station = [&] { station.poll(); };
        w.core->conn.connect_port("1");
        w.run(sim::DemoLayout::Cycle);
        QCOMPARE(w.log.filter("tile").size(), 5);
        QCOMPARE(w.slot(1), (QStringList{"1", "-", "-", "-", "-"})); // cleared
        QCOMPARE(w.slot(3), (QStringList{"2", "78", "Güterzug", "S2 nach S1", "38 Km/h"}));
        QCOMPARE(w.slot(5), (QStringList{"133", "5", "Schnellzug", "S1 nach S2", "96 Km/h"}));
    }

    void zkFileReadsTolerantly_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<bool>("whole"); // all of it four names in quotes
        QTest::newRow("four quoted lines")
            << QByteArray("\"Personenzug\"\r\n\"G\xc3\xbcterzug\"\r\n\" IC \"\r\n\"\"\r\n")
            << QStringList{"Personenzug", "Güterzug", " IC ", ""} << true;
        QTest::newRow("Latin-1, LF only, blank lines at the end")
            << QByteArray("\"G\xfcterzug\"\n\"B\"\n\n \n") << QStringList{"Güterzug", "B", "", ""}
            << true;
        QTest::newRow("unquoted, trailing text, open quote, a fifth line")
            << QByteArray("  Nahverkehr \r\n\"A\",x\r\n\"offen\r\n\"D\"\r\n\"E\"\r\n")
            << QStringList{"Nahverkehr", "A", "offen", "D"} << false;
        QTest::newRow("empty") << QByteArray() << QStringList{"", "", "", ""} << true;
    }
    void zkFileReadsTolerantly()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, names);
        QFETCH(bool, whole);
        bool readWhole = !whole;
        const ZkNames read = parse_zk(content, &readWhole);
        QCOMPARE(QStringList(read.begin(), read.end()), names);
        QCOMPARE(readWhole, whole);
    }

    void zkFileRoundTripAtStartAndEnd()
    {
        Rig rig;
        const QString path = rig.dir.filePath("zk.dat");
        QCOMPARE(rig.core->kennix.ZkName, ZkNames{}); // no file: empty names
        rig.core->kennix.set_names({"Güterzug", "mit \"Quote\"", "", "D"});
        rig.core->end_program();
        QCOMPARE(read_file(path, 1000),
                 QByteArray("\"G\xc3\xbcterzug\"\r\n\"mit Quote\"\r\n\"\"\r\n\"D\"\r\n"));
        rig.core->start();
        QCOMPARE(rig.core->kennix.ZkName, (ZkNames{"Güterzug", "mit Quote", "", "D"}));
    }
};

QTEST_GUILESS_MAIN(TstKennix)
#include "tst_kennix.moc"
