// The LocoNet module manager against the virtual station's demo modules:
// what goes on the wire for a search, a read, a write and a restore, that
// every session ends with the end message however it ends, and the backup
// file's round trip and refusals.

#include "programming/lncv_files.h"
#include "programming/lncv_manager.h"
#include "support/station_rig.h"

#include <QtTest>

namespace {
using Action = std::function<void(StationRig&, LncvManager&)>;

QString field(int n)
{
    return n == ln::LncvMessage::AllModules ? QStringLiteral("*") : QString::number(n);
}

// The LNCV requests the program wrote since the last look, one word each:
// "start 1234/1", "read 2", "write 2=20", "end 1234/*".
QString lncv_requests(Rig& rig)
{
    const QByteArray w = QByteArray::fromHex(rig.takeWire().toLatin1());
    QStringList out;
    for (qsizetype at = 0; at < w.size();) {
        int len = ln::opcodeLength(uint8_t(w[at]));
        if (len < 0)
            len = at + 1 < w.size() ? uint8_t(w[at + 1]) : int(w.size() - at);
        const ln::Msg m(w.mid(at, len));
        at += std::max(len, 1);
        if (len != ln::PeerMessage::Length || !ln::LncvMessage::is(m))
            continue;
        const ln::LncvMessage v(m);
        const QString module = field(v.article()) + '/' + field(v.value());
        switch (v.kind()) {
        case ln::LncvMessage::Kind::Start: out << "start " + module; break;
        case ln::LncvMessage::Kind::End: out << "end " + module; break;
        case ln::LncvMessage::Kind::Read: out << "read " + QString::number(v.lncv()); break;
        case ln::LncvMessage::Kind::Write:
            out << QStringLiteral("write %1=%2").arg(v.lncv()).arg(v.value());
            break;
        default: break;
        }
    }
    return out.join('|');
}

// A table's rows, the cells that are not empty joined by blanks, rows by
// "|"; columns first..last.
QString rows(const QAbstractItemModel& t, int first, int last)
{
    QStringList out;
    for (int r = 0; r < t.rowCount(); ++r) {
        QStringList cells;
        for (int c = first; c <= last; ++c)
            if (const QString cell = t.index(r, c).data().toString(); !cell.isEmpty())
                cells << cell;
        out << cells.join(' ');
    }
    return out.join('|');
}

int row_of(const QAbstractItemModel& t, int lncv)
{
    for (int r = 0; r < t.rowCount(); ++r)
        if (t.index(r, 0).data().toInt() == lncv)
            return r;
    return -1;
}

// The demo's modules, found and ended; the one in that row chosen.
struct Bench : StationRig {
    LncvManager& m = rig.core->lncvModules;
    explicit Bench(bool definitions = false)
    {
        if (definitions)
            QVERIFY(QDir().mkpath(rig.dir.filePath("LNCV")) &&
                    QFile::copy(QUORAIL_DATA_DIR "/LNCV/12340.txt",
                                rig.dir.filePath("LNCV/12340.txt")));
        station.setupDemo();
    }
    void found(int row)
    {
        m.search({});
        rig.run(3);
        rig.takeWire();
        m.select(row);
    }
    bool programming()
    {
        for (const sim::LncvModule& mod : station.lncvModules().modules())
            if (mod.programming)
                return true;
        return false;
    }
    sim::Lncv& lncv(int article, int address, int n)
    {
        return station.lncvModules().find(article, address)->lncvs[n];
    }
};
} // namespace

Q_DECLARE_METATYPE(Action)

class TestLncvManager : public QObject {
    Q_OBJECT
  private slots:
    // The demo's modules answer in the order they were added; the list is
    // sorted, and each module found gets its own end message.
    void searchListsSortedAndEndsEach_data()
    {
        QTest::addColumn<QString>("article");
        QTest::addColumn<QString>("modules");
        QTest::addColumn<QString>("wire");
        QTest::addColumn<QString>("box");
        QTest::newRow("every module") << ""
                                      << "12340 1|12340 2|12350 2"
                                      << "start */*|end 1234/1|end 1234/2|end 1235/2"
                                      << "";
        QTest::newRow("one article") << "12340"
                                     << "12340 1|12340 2"
                                     << "start 1234/*|end 1234/1|end 1234/2"
                                     << "";
        QTest::newRow("nobody") << "12360"
                                << ""
                                << "start 1236/*"
                                << "Kein Modul hat geantwortet.\nDie Artikelnummer ist die auf "
                                   "dem Modul aufgedruckte, z. B. 12340.";
        QTest::newRow("a number that would ask every module")
            << "655346" << "" << ""
            << "Bitte eine Artikelnummer von 0 bis 655345 eingeben oder das Feld für alle "
               "Module leer lassen!";
    }
    void searchListsSortedAndEndsEach()
    {
        QFETCH(QString, article);
        QFETCH(QString, modules);
        QFETCH(QString, wire);
        QFETCH(QString, box);
        Bench b;
        const bool refused = box.startsWith("Bitte");
        QCOMPARE(b.m.search(article), !refused);
        b.rig.run(1.9); // still listening: the answers came within 0.5 s
        QCOMPARE(b.m.busy(), !refused);
        b.rig.run(1.2);
        QVERIFY(!b.m.busy());
        QCOMPARE(rows(b.m.modules(), 0, 1), modules);
        QCOMPARE(lncv_requests(b.rig), wire);
        QVERIFY(!b.programming());
        QCOMPARE(b.rig.texts().join(""), box);
    }

    // Every LNCV asked is read; one that is refused or left unanswered shows
    // "-" and the read goes on. With a definition only its LNCVs are read.
    void readAllGoesOnPastMissing_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("definitions");
        QTest::addColumn<QString>("values");
        QTest::addColumn<QString>("wire");
        QTest::addColumn<bool>("timeOut"); // a silent LNCV is awaited a second
        QTest::newRow("refused LNCV 3")
            << 0 << false << "0 1|1 1|2 10|3 -"
            << "start 1234/1|read 0|read 1|read 2|read 3|end 1234/1" << false;
        QTest::newRow("unanswered LNCV 3")
            << 2 << false << "0 2|1 1|2 10|3 -"
            << "start 1235/2|read 0|read 1|read 2|read 3|end 1235/2" << true;
        QTest::newRow("definition")
            << 1 << true
            << "0 2 Moduladresse|1 17 Erster Rückmelder|2 5 Meldeverzögerung (10 ms)|"
               "7 3 Softwareversion"
            << "start 1234/2|read 0|read 1|read 2|read 7|end 1234/2" << false;
    }
    void readAllGoesOnPastMissing()
    {
        QFETCH(int, row);
        QFETCH(bool, definitions);
        QFETCH(QString, values);
        QFETCH(QString, wire);
        QFETCH(bool, timeOut);
        Bench b(definitions);
        b.found(row);
        QSignalSpy progress(&b.m, &LncvManager::progress);
        QVERIFY(b.m.read_all("3"));
        b.rig.run(0.99);
        QCOMPARE(b.m.busy(), timeOut);
        b.rig.run(0.3);
        QVERIFY(!b.m.busy());
        QCOMPARE(rows(b.m.values(), 0, 2), values);
        QCOMPARE(lncv_requests(b.rig), wire);
        QCOMPARE(progress.last(), (QVariantList{4, 4}));
        QVERIFY(b.rig.texts().isEmpty());
    }

    // Each value written is read back; a refusal shows in its row, a new
    // address is followed to the end message.
    void writeReadsBackAndShowsRefusals()
    {
        Bench b;
        b.found(0);
        b.m.read_all("2");
        b.rig.run(0.5);
        LncvValueTable& t = b.m.values();
        QVERIFY(t.setData(t.index(1, LncvValueTable::ColValue), "5", Qt::EditRole));
        QVERIFY(t.setData(t.index(2, LncvValueTable::ColValue), "300", Qt::EditRole));
        QVERIFY(t.setData(t.index(0, LncvValueTable::ColValue), "9", Qt::EditRole));
        b.rig.takeWire();
        QVERIFY(b.m.write_changes());
        b.rig.run(1);
        QCOMPARE(lncv_requests(b.rig),
                 "start 1234/1|write 0=9|read 0|write 1=5|read 1|write 2=300|end 1234/9");
        QCOMPARE(rows(t, 0, LncvValueTable::ColNote),
                 "0 9 geschrieben und geprüft|1 5 geschrieben und geprüft|"
                 "2 300 LNCV-Schreiben: Wert nicht gültig");
        QCOMPARE(t.index(2, 0).data(LncvValueTable::MarkRole).toInt(), int(LncvValueTable::Failed));
        QCOMPARE(rows(b.m.modules(), 0, 1), "12340 9|12340 2|12350 2");
        QCOMPARE(b.lncv(1234, 9, 1).value, 5);
        QVERIFY(!b.programming());
    }

    // Saved from one module, loaded for its twin and written back: every
    // differing value but the address and the read-only version.
    void backupClonesAModule()
    {
        Bench b(true);
        b.lncv(1234, 1, 7).value = 4; // the first module has a newer version
        b.found(0);
        b.m.read_all({});
        b.rig.run(0.5);
        const QString path = b.rig.dir.filePath("m.lncv");
        QVERIFY(b.m.save(path));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(),
                 QByteArray("# LNCV-Sicherung: Rückmeldemodul 16fach\r\nArtikelnummer=12340\r\n"
                            "Adresse=1\r\n0=1\r\n1=1\r\n2=10\r\n7=4\r\n"));

        b.m.select(1);
        b.m.read_all({});
        b.rig.run(0.5);
        QVERIFY(b.m.load(path));
        LncvValueTable& t = b.m.values();
        QCOMPARE(rows(t, 0, LncvValueTable::ColFile),
                 "0 2 Moduladresse 1|1 17 Erster Rückmelder 1|"
                 "2 5 Meldeverzögerung (10 ms) 10|7 3 Softwareversion 4");
        b.rig.takeWire();
        QVERIFY(b.m.restore());
        b.rig.run(1);
        QCOMPARE(lncv_requests(b.rig),
                 "start 1234/2|write 1=1|read 1|write 2=10|read 2|end 1234/2");
        QCOMPARE(b.lncv(1234, 2, 2).value, 10);
        for (const int lncv : {0, 7, 1})
            QCOMPARE(t.index(row_of(t, lncv), 0).data(LncvValueTable::MarkRole).toInt(),
                     int(lncv == 1 ? LncvValueTable::Plain : LncvValueTable::Differs));
        QVERIFY(!b.m.restore()); // nothing left that may be written
    }

    // However a session ends, what it put into programming mode is ended.
    void everyEndingEndsProgrammingMode_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("wireTail");
        QTest::addColumn<QString>("box");
        QTest::newRow("cancelled read") << Action([](StationRig& r, LncvManager& m) {
            m.read_all("20");
            r.rig.run(0.1);
            m.cancel();
        }) << "end 1234/1"
                                        << "";
        QTest::newRow("search cancelled: every module asked")
            << Action([](StationRig& r, LncvManager& m) {
                   m.search("12340");
                   r.rig.run(0.3);
                   m.cancel();
               })
            << "end 1234/*"
            << "";
        QTest::newRow("disconnected") << Action([](StationRig& r, LncvManager& m) {
            m.read_all("20");
            r.rig.run(0.1);
            r.rig.core->conn.disconnect_port("1");
        }) << "end 1234/1"
                                      << "";
        QTest::newRow("port lost: ended in the next session")
            << Action([](StationRig& r, LncvManager& m) {
                   m.read_all("20");
                   r.rig.run(0.1);
                   r.rig.port.vanish("Input/output error");
                   r.rig.run(0.1);
                   r.rig.takeWire();
                   r.rig.core->conn.connect_port("1");
                   r.rig.run(3);
               })
            << "end 1234/1"
            << "Port /dev/ttyS0: Input/output error";
        QTest::newRow("start unanswered") << Action([](StationRig& r, LncvManager& m) {
            r.station.lncvModules().find(1234, 1)->lncvs[0].value = 5; // the module moved
            m.read_all("20");
            r.rig.run(1.2);
        }) << "start 1234/1|end 1234/1"
                                          << "Keine Antwort auf LNCV-Lesen erhalten!";
    }
    void everyEndingEndsProgrammingMode()
    {
        QFETCH(Action, action);
        QFETCH(QString, wireTail);
        QFETCH(QString, box);
        Bench b;
        b.found(0);
        action(b, b.m);
        b.rig.run(0.1);
        QVERIFY(!b.m.busy());
        QVERIFY(lncv_requests(b.rig).endsWith(wireTail));
        QVERIFY(!b.programming());
        QCOMPARE(b.rig.texts().join(""), box);
    }

    // The backup reader takes what it can and refuses what is no backup of
    // the module's article.
    void loadRefusesOtherFiles_data()
    {
        QTest::addColumn<QByteArray>("content"); // "none": no such file
        QTest::addColumn<QString>("file");       // the "Datei" column
        QTest::addColumn<QString>("box");
        QTest::newRow("tolerant") << QByteArray(
                                         "\xEF\xBB\xBF# c\n artikelnummer = 12345 \r1=5 # x\n"
                                         "x=3\n2=70000\n3=-1\n0=\n")
                                  << "1 5"
                                  << "";
        QTest::newRow("other article") << QByteArray("Artikelnummer=12350\r\n1=1\r\n") << ""
                                       << "Die Datei gehört zu Artikelnummer 12350, das gewählte "
                                          "Modul hat Artikelnummer 12340.";
        QTest::newRow("no article") << QByteArray("Adresse=1\r\n1=1\r\n") << ""
                                    << "Die Datei %1 ist keine LNCV-Sicherung.";
        QTest::newRow("missing") << QByteArray("none") << ""
                                 << "Die Datei %1 kann nicht gelesen werden.";
        QTest::newRow("too large")
            << "Artikelnummer=12340\n" + QByteArray(lncvfile::MaxFileSize, '#') << ""
            << "Die Datei %1 kann nicht gelesen werden.";
    }
    void loadRefusesOtherFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, file);
        QFETCH(QString, box);
        Bench b;
        b.found(0);
        const QString path = b.rig.dir.filePath("in.lncv");
        QFile f(path);
        QVERIFY(content == "none" || (f.open(QIODevice::WriteOnly) && f.write(content)));
        f.close();
        QCOMPARE(b.m.load(path), box.isEmpty());
        QCOMPARE(b.rig.texts().join(""), box.contains("%1") ? box.arg(path) : box);
        QCOMPARE(rows(b.m.values(), 0, LncvValueTable::ColFile), file);
    }
};

QTEST_GUILESS_MAIN(TestLncvManager)
#include "tst_lncv_manager.moc"
