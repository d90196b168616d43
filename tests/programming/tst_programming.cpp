// CV reads and writes on the programming track: request bytes, the
// programmer's reply, answer codes, list jobs, abort and time-outs.

#include "programming/cv_table.h"
#include "programming/lncv.h"
#include "programming/programming.h"
#include "sim/virtual_station.h"
#include "support/rig.h"

#include <QtTest>

namespace {
const QString Enter = "E5 07 01 5A 56 41 51", Leave = "E5 07 01 5A 56 40 50";

QList<int> values(const Programming& prog, const QList<int>& cvs)
{
    QList<int> l;
    for (int cv : cvs)
        l << prog.value(cv);
    return l;
}

// The program against a station that only echoes; the test plays the programmer.
struct Bench {
    Rig rig;
    Programming& prog = rig.core->prog;
    QSignalSpy buttons{&prog, &Programming::prog_buttons};

    Bench()
    {
        prog.dcc_init();
        rig.connect();
    }
    // Echoes and ticks until the 31-byte request is on the wire; all written so far.
    QString untilRequest(bool echoIt = true)
    {
        QString wire;
        for (int i = 0; i < 20 && !wire.contains("ED 1F"); ++i) {
            rig.echo();
            rig.tick();
            wire += (wire.isEmpty() ? "" : " ") + rig.takeWire();
            wire = wire.trimmed();
        }
        if (echoIt)
            rig.echo();
        return wire;
    }
    // The reply names a CV, counted from 0: CVL and bits of CVH.
    void reply(int pstat, int cvl = 0, int cvh = 0, int data = 0, int slot = 124)
    {
        rig.send({0xE7, 0x0E, slot, 0x28, pstat, 0, 0, 0x0F, cvh, cvl, data, 0, 0});
        rig.tick(3);
    }
};

// The core against the virtual station's decoder; the CVs it was asked for.
struct Track : Bench {
    sim::VirtualStation station{rig.bus, rig.clock};
    QList<int> requested;
    std::function<void()> onRequest;

    explicit Track(std::optional<sim::Decoder> decoder = sim::Decoder::standard(3))
    {
        station.programmingTrack().setDecoder(decoder);
        rig.station = [this] { station.poll(); };
        station.setMonitor([this](double, bool out, const QByteArray& m) {
            const ln::Msg r(m);
            if (out || m.size() != 31)
                return;
            requested << ((r[7] | (r[5] & 0x02 ? 0x80 : 0)) + 256 * r[8]);
            if (onRequest)
                onRequest();
        });
    }
};
} // namespace

enum CvJob { None, ReadOne, ReadList, WriteList, WriteOne };
// Ways a job ends without its answer, as answerCodes' pstat; STOP goes out
// in the middle and the job goes on to the answer of code 2.
constexpr int NoReply = -1, Cancelled = -2, Disconnected = -3, PortLost = -4, Stopped = -5;

struct ReplyRow {
    int job, cv, slot, pstat, cvh, cvl, data;
    QString answer; // the value shown, "written", or "waiting"
};
Q_DECLARE_METATYPE(ReplyRow)

class TestProgramming : public QObject {
    Q_OBJECT
  private slots:
    void requestBytes_data()
    {
        QTest::addColumn<int>("cv");
        QTest::addColumn<int>("value");  // -1: read
        QTest::addColumn<bool>("stray"); // a reply arrives before the request goes out
        QTest::addColumn<QString>("bytes5to10");
        QTest::newRow("read CV 1") << 1 << -1 << false << "71 72 01 00 00 70";
        QTest::newRow("read CV 200") << 200 << -1 << false << "73 72 48 00 00 70";
        QTest::newRow("read CV 300") << 300 << -1 << false << "71 72 2C 01 00 70";
        QTest::newRow("write 200 to CV 3") << 3 << 200 << false << "79 71 03 00 48 70";
        QTest::newRow("write 255 to CV 1023") << 1023 << 255 << false << "7B 71 7F 03 7F 70";
        QTest::newRow("write 9 to CV 3 after a stray reply")
            << 3 << 9 << true << "71 71 03 00 09 70";
    }
    void requestBytes()
    {
        QFETCH(int, cv);
        QFETCH(int, value);
        QFETCH(bool, stray);
        QFETCH(QString, bytes5to10);
        Bench b;
        const QString cvText = QString::number(cv);
        QVERIFY(value < 0 ? b.prog.read_one(cvText)
                          : b.prog.write_one(cvText, QString::number(value)));
        if (stray)
            b.reply(0);
        const QString request = "ED 1F 01 5A 56 " + bytes5to10 + " 00 00 00 00 10";
        QCOMPARE(b.untilRequest(), Enter + " " + wire_hex(request + QString(" 00").repeated(14)));
    }

    // Failure codes are read through their boxes in answerCodes.
    void programmerReply_data()
    {
        QTest::addColumn<ReplyRow>("row");
        const int rd = ReadOne, wr = WriteOne;
        // The reply counts CVs from 0: CV 5 is 4.
        QTest::newRow("read, CVH bit 1 adds 128") << ReplyRow{rd, 5, 124, 0, 0x02, 4, 0x05, "133"};
        // CV 901 is 900 = 0x384: bit 7 in CVH bit 0, bits 8 and 9 in CVH bits 4 and 5.
        QTest::newRow("read, CV bits of CVH are no data")
            << ReplyRow{rd, 901, 124, 0, 0x31, 0x04, 0x05, "5"};
        QTest::newRow("reply naming CV 1 while CV 30 is read")
            << ReplyRow{rd, 30, 124, 0, 0, 0, 51, "waiting"};
        QTest::newRow("write done") << ReplyRow{wr, 5, 124, 0, 0x02, 4, 0x05, "written"};
        QTest::newRow("nothing pending: a stray reply") << ReplyRow{None, 5, 124, 0, 0, 4, 7, ""};
        QTest::newRow("loco slot is no reply") << ReplyRow{rd, 5, 3, 0, 0, 4, 7, "waiting"};
        QTest::newRow("late reply for CV 4 while CV 5 is read")
            << ReplyRow{rd, 5, 124, 0, 0, 3, 7, "waiting"};
        QTest::newRow("late reply for CV 133 while CV 5 is written")
            << ReplyRow{wr, 5, 124, 0, 0x01, 4, 0, "waiting"};
    }
    void programmerReply()
    {
        QFETCH(ReplyRow, row);
        const auto& [job, cv, slot, pstat, cvh, cvl, data, answer] = row;
        Bench b;
        QSignalSpy value(&b.prog, &Programming::single_value_shown);
        const QString cvText = QString::number(cv);
        if (job != None) {
            QVERIFY(job == ReadOne ? b.prog.read_one(cvText) : b.prog.write_one(cvText, "9"));
            b.untilRequest();
        }
        b.reply(pstat, cvl, cvh, data, slot);
        QString outcome = value.isEmpty() ? "" : value.last().at(0).toString();
        if (b.prog.job_running())
            outcome = "waiting";
        else if (b.prog.DCCProgStat == " Schreibvorgang beendet ")
            outcome = "written";
        QCOMPARE(outcome, answer);
        QVERIFY(b.rig.shown.isEmpty());
    }

    // Every ending leaves programming mode once, before a next job's
    // message, and gives the buttons back once; no value changes.
    void answerCodes_data()
    {
        QTest::addColumn<int>("job");
        QTest::addColumn<int>("pstat"); // or how the job is cut off (below)
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("value"); // CVValTxt after a single read
        const QString missing = "Programmiergleis: CV nicht vorhanden",
                      writeError = "Programmiergleis: Schreibfehler",
                      shorted = "Programmiergleis: Kurzschluss",
                      noLoco = "Programmiergleis: keine Lok",
                      unknown = "Programmiergleis: unbekannter Fehler";
        const struct {
            int job;
            const char* name;
            QString code2;
        } jobs[] = {{ReadOne, "read one", missing},
                    {ReadList, "read list", missing},
                    {WriteList, "write list", unknown},
                    {WriteOne, "write one", writeError}};
        for (const auto& j : jobs) {
            const bool readOne = j.job == ReadOne;
            const bool read = readOne || j.job == ReadList;
            const bool list = j.job == ReadList || j.job == WriteList;
            const auto row = [&](int pstat, const QString& box, const char* value) {
                QTest::addRow("%s, %d", j.name, 1000 + pstat)
                    << j.job << pstat << box << " " + box << (readOne ? value : "");
            };
            row(1, unknown, "_");
            row(2, j.code2, "-");
            row(3, shorted, "-");
            row(4, noLoco, "_");
            row(5, unknown, "_");
            // 5.0 s without a reply is still waiting; just over ends the job.
            QTest::addRow("%s, no reply", j.name)
                << j.job << NoReply
                << (read ? "Keine Antwort auf CV-Lesen erhalten!"
                         : "Keine Antwort auf CV-Schreiben erhalten!")
                << (read ? " Lese CV 5" : " Schreibe CV 5") << "";
            QTest::addRow("%s, STOP between", j.name)
                << j.job << Stopped << j.code2 << " " + j.code2 << (readOne ? "-" : "");
            QTest::addRow("%s, Trennen", j.name)
                << j.job << Disconnected << QString() << QString("Abbruch") << QString();
            QTest::addRow("%s, port vanished", j.name)
                << j.job << PortLost << QString("Port /dev/ttyS0: Input/output error")
                << QString("Abbruch") << QString();
            if (list)
                QTest::addRow("%s, Abbruch", j.name)
                    << j.job << Cancelled << QString() << QString("Abbruch") << QString();
        }
    }
    void answerCodes()
    {
        QFETCH(int, job);
        QFETCH(int, pstat);
        QFETCH(QString, box);
        QFETCH(QString, status);
        QFETCH(QString, value);
        Bench b;
        QSignalSpy shown(&b.prog, &Programming::single_value_shown);
        CvTable table;
        table.set_rows({{"5", {}}});
        table.select_all(true);
        table.set_cell(0, CvTable::ColValue, "7");
        b.prog.set_value(5, 7);
        switch (job) {
        case ReadOne: b.prog.read_one("5"); break;
        case WriteOne: b.prog.write_one("5", "9"); break;
        case ReadList: b.prog.read_user_list(table); break;
        default: b.prog.write_user_list(table); break;
        }
        b.untilRequest();
        QString wire = Leave;
        if (pstat == NoReply) {
            b.rig.clock.advance(Programming::AnswerTimeout);
            b.rig.tick(2);
            QCOMPARE(b.rig.texts(), QStringList{});
            QVERIFY(b.prog.job_running());
            b.rig.clock.advance(0.001);
            b.rig.tick();
        } else if (pstat == Disconnected) {
            b.rig.core->conn.disconnect_port("1");
        } else if (pstat == PortLost) {
            b.rig.port.vanish("Input/output error");
            wire.clear(); // nothing goes out while the port is away
        } else if (pstat == Cancelled) {
            b.prog.abort();
        } else if (pstat == Stopped) {
            QVERIFY(b.rig.core->power.set(false)); // STOP is never refused
            wire = wire_hex("82") + " " + Leave;
            b.rig.echo();
            b.reply(2, 4);
        } else {
            b.reply(pstat, 4); // CV 5, counted from 0
        }
        QCOMPARE(b.rig.texts(), box.isEmpty() ? QStringList() : QStringList{box});
        if (!box.isEmpty() && pstat != PortLost)
            QCOMPARE(b.rig.shown.last().icon, MsgIcon::Critical);
        QCOMPARE(b.prog.DCCProgStat, status);
        QCOMPARE(shown.isEmpty() ? QString() : shown.last().at(0).toString(), value);
        QCOMPARE(b.rig.takeWire(), wire);
        QCOMPARE(b.buttons.count(QVariantList{true}), 1);
        QCOMPARE(b.prog.value(5), 7); // a failure changes no value
        if (pstat == PortLost) // the station leaves programming mode first in the next session
            QVERIFY(b.rig.connect().startsWith(Leave + " " + wire_hex("BB 00 00")));
    }

    void listReadStopsOnTimeoutKeepingValues()
    {
        Track t;
        // The decoder goes quiet at the third CV of the standard list.
        t.onRequest = [&t] { t.station.programmingTrack().setActive(t.requested.size() < 3); };
        QVERIFY(t.prog.read_list(Programming::StdList));
        t.rig.run(5.5);
        QCOMPARE(t.rig.texts(), QStringList{"Keine Antwort auf CV-Lesen erhalten!"});
        QCOMPARE(values(t.prog, {1, 2, 3}), (QList<int>{3, 2, CvUnknown}));
    }

    // The table's selected rows, in their order; CV 2's row shows "-"
    // although CvValue(2) is 4.
    void listWriteSkips7And8AndDashes_data()
    {
        QTest::addColumn<QList<int>>("list");
        QTest::addColumn<QList<int>>("written");
        QTest::newRow("7 and 8 inside and at the end")
            << QList<int>{3, 7, 8, 29, 8, 7} << QList<int>{3, 29};
        QTest::newRow("8 first is written") << QList<int>{8, 7, 3, 8} << QList<int>{8, 3};
        QTest::newRow("a row showing - is left out")
            << QList<int>{2, 3, 7, 29} << QList<int>{3, 29};
        QTest::newRow("only - rows: nothing to write") << QList<int>{2} << QList<int>{};
    }
    void listWriteSkips7And8AndDashes()
    {
        QFETCH(QList<int>, list);
        QFETCH(QList<int>, written);
        auto decoder = sim::Decoder::standard(3);
        decoder.readOnly.clear();
        Track t(decoder);
        CvTable table;
        QList<std::pair<QString, QString>> rows;
        for (int cv : list)
            rows.append({QString::number(cv), {}});
        table.set_rows(rows);
        table.select_all(true);
        for (int row = 0; row < table.rowCount(); ++row)
            table.set_cell(row, CvTable::ColValue, table.cv(row) == 2 ? "-" : "9");
        t.prog.set_value(2, 4);
        QCOMPARE(t.prog.write_user_list(table), !written.isEmpty());
        t.rig.run(2);
        QCOMPARE(t.requested, written);
        QCOMPARE(t.station.programmingTrack().decoder()->cvs[2], 2);
        const QString nothing =
            "Keine der CVs hat einen bekannten Wert: es wird nichts geschrieben.";
        QCOMPARE(t.prog.DCCProgStat,
                 written.isEmpty() ? " " + nothing : " Schreibvorgang beendet ");
        QCOMPARE(t.rig.port.written().endsWith(ln::frame({0xE5, 0x07, 0x01, 0x5A, 0x56, 0x40})),
                 !written.isEmpty());
    }

    void abortEndsListJobButNotSingle()
    {
        Track t;
        QVERIFY(t.prog.read_list(Programming::StdList));
        t.rig.run(0.05);
        t.prog.abort();
        t.rig.run(1);
        QCOMPARE(t.prog.DCCProgStat, "Abbruch");
        QCOMPARE(t.requested.size(), 1);
        QVERIFY(!t.prog.job_running());

        QVERIFY(t.prog.read_one("29"));
        t.rig.run(0.05);
        t.prog.abort();
        t.rig.run(1);
        QCOMPARE(t.prog.DCCProgStat, " Lesevorgang beendet ");
        QCOMPARE(t.prog.value(29), 6);
        // The abort left pending does not end the next list job.
        QVERIFY(t.prog.read_list(Programming::StdList));
        t.rig.run(3);
        QCOMPARE(t.prog.DCCProgStat, " Lesevorgang beendet ");
    }

    void readsManufacturingData()
    {
        Track t;
        QSignalSpy caption(&t.prog, &Programming::rc_data_shown);
        QVERIFY(t.prog.read_rc_data());
        t.rig.run(3);
        const QDateTime made(QDate(2024, 3, 15), QTime(10, 0), Qt::UTC);
        const QString date = QLocale::system().toString(made, QLocale::ShortFormat);
        QCOMPARE(caption, QList<QVariantList>{{"123456 / 4711 / " + date}});
    }

    void standardFieldsAndListLines()
    {
        Bench b;
        const auto fields = [&b] {
            const StdCvs s = b.prog.std_cvs();
            return QStringList{s.address, QString::number(s.cv29), s.manufacturer};
        };
        QCOMPARE(fields(), (QStringList{"-", "0", "-"}));

        // Long address 1234: CV 17 = 0xC4, CV 18 = 0xD2; CV 1 keeps its value,
        // "-" and empty fields leave their CVs alone.
        b.prog.set_value(1, 3);
        b.prog.set_value(4, 7);
        QVERIFY(b.prog.write_std({"", "1234", "-", "5", "", "", ""}, true, 0x26));
        QCOMPARE(values(b.prog, {1, 2, 4, 17, 18}), (QList<int>{3, CvUnknown, 7, 196, 210}));
        QCOMPARE(fields(), (QStringList{"1234", "38", "-"}));
        QCOMPARE(b.prog.address_text(false), "3");

        b.prog.set_value(7, 5);
        QList<int> cvs;
        const QStringList lines = b.prog.cv_list_lines(&cvs);
        QCOMPARE(lines.first(), "CV   1 =   3");
        QVERIFY(lines.contains("CV   7 =   5"));
        QCOMPARE(cvs.size(), lines.size());
        QCOMPARE(lines.last(), "CV  29 =  38");
    }

    void userActionsThatCannotRunAreRefused()
    {
        // Neither this window nor another one cuts a running job off: one
        // box each, no value changes, nothing is sent.
        Bench b;
        QVERIFY(b.prog.read_list(Programming::StdList));
        b.untilRequest();
        QVERIFY(!b.prog.write_std({"", "3", "", "", "", "", ""}, false, 0));
        QVERIFY(!b.rig.core->lncv.start("12340", "1"));
        QCOMPARE(b.rig.texts(),
                 QStringList(2, "Bitte warten, bis die Programmierung auf dem Programmiergleis "
                                "beendet ist."));
        QCOMPARE(b.prog.value(1), CvUnknown);
        b.rig.tick(2);
        QCOMPARE(b.rig.takeWire(), "");
        QCOMPARE(b.prog.DCCProgStat, " Lese CV 1");

        // Input that is no CV or value never reaches the wire, not even as 0.
        Bench c;
        for (const char* cv : {"0", "-", "", "1024", "x"})
            QVERIFY(!c.prog.read_one(cv));
        QCOMPARE(c.rig.texts().first(), "Bitte eine CV-Nummer von 1 bis 1023 eingeben.");
        QVERIFY(!c.prog.write_one("3", "256"));
        QVERIFY(!c.prog.write_one("3", "-"));
        QVERIFY(!c.prog.write_std({"", "3", "300", "", "", "", ""}, false, std::nullopt));
        QCOMPARE(c.rig.shown.size(), 8);
        QCOMPARE(c.rig.takeWire(), "");
        CvTable none;
        QVERIFY(!c.prog.read_user_list(none)); // no row selected: no job, buttons stay
        QVERIFY(c.buttons.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestProgramming)
#include "tst_programming.moc"
