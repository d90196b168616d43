// Routes: FS.DAT and the step texts, and the route engine on the fake
// clock: what it sends and when, its indicators, track power, and the
// triggers fed by switch and sensor reports.

#include "core/colour.h"
#include "core/file_io.h"
#include "route_cells.h"
#include "routes/route_file.h"
#include "routes/route_step.h"
#include "sim/virtual_station.h"
#include "support/rig.h"

#include <QtTest>

namespace {
// The core against a bus that echoes every message, ticked in 10 ms passes.
// Notes each message sent (without checksum) and each route that becomes
// active, by milliseconds since the first pass.
struct Timeline {
    QStringList events;
    int ms = 0;
    double start;
    Rig rig;
    RouteTable& t = rig.core->FSTab;
    RouteEngine& engine = rig.core->routeEngine;

    explicit Timeline(double start_ = 1000.005) : start(start_)
    {
        rig.core->state.show_power(1);
        QObject::connect(&t, &RouteTable::dataChanged, [this](const QModelIndex& i) {
            if (i.column() == RouteTable::Active && t.flag(i.row(), RouteTable::Active))
                events << QStringLiteral("%1 aktiv %2").arg(ms).arg(i.row());
        });
    }
    // Notes each indicator colour shown, as "ms anz index colour".
    void watch_indicators()
    {
        QObject::connect(&engine, &RouteEngine::fs_anz, [this](int i, int c) {
            const char* name = c == colour::Red      ? "red"
                               : c == colour::Yellow ? "yellow"
                               : c == colour::Orange ? "orange"
                                                     : "white";
            events << QStringLiteral("%1 anz %2 %3").arg(ms).arg(i).arg(name);
        });
    }
    void run(double seconds)
    {
        for (const int end = ms + qRound(seconds * 1000); ms < end; ms += 10) {
            rig.clock.set(start + ms / 1000.0);
            rig.tick();
            if (const QString sent = rig.takeWire(); !sent.isEmpty())
                events << QStringLiteral("%1 %2").arg(ms).arg(sent.chopped(3)); // no checksum
            rig.echo();
        }
    }
};
} // namespace

struct TimelineRow {
    double start;
    int magT1, magT2;
    QStringList cells; // requested flags included
    QString events;    // indicator colours only where a row expects any
};
Q_DECLARE_METATYPE(TimelineRow)

struct TriggerRow {
    int column;
    QString text;
    bool active; // before the report
    QByteArray report;
    bool requested; // after it
    bool stillActive;
};
Q_DECLARE_METATYPE(TriggerRow)
Q_DECLARE_METATYPE(FileRead)

class TestRoutes : public QObject {
    Q_OBJECT
  private slots:
    void savedTableLoadsAndSavesToTheSameBytes()
    {
        QTemporaryDir dir;
        RouteTable t;
        t.MagT2 = 500;
        t.MagT1 = 200;
        set_cells(t, {"1,1= ", "1,6=Ma12-g", "100,4=Rm7-b", "208,1= ", "208,55=Pa-2"});
        QVERIFY(route_file::save_fs(t, dir.filePath("FS.DAT"), nullptr));

        const QByteArray bytes = read_file(dir.filePath("FS.DAT"), 1 << 20).value();
        const QList<QByteArray> lines = bytes.split('\n');
        QCOMPARE(lines.size(), 2 + 208 * 55 + 1); // the last line end ends the file
        QCOMPARE(lines.mid(0, 4), (QList<QByteArray>{"500\r", "200\r", "\" \"\r", "\"\"\r"}));
        QCOMPARE(lines[2 + 207 * 55], "\" \"\r"); // cell (208, 1) on line 2 + 207 * 55 + 1

        RouteTable back;
        route_file::load_fs(back, dir.filePath("FS.DAT"));
        QCOMPARE(cells(back), cells(t));
        QCOMPARE(std::pair(back.MagT2, back.MagT1), std::pair(500, 200));
        QVERIFY(route_file::save_fs(back, dir.filePath("again.dat"), nullptr));
        QCOMPARE(read_file(dir.filePath("again.dat"), 1 << 20).value(), bytes);
    }

    // What a file that we did not write leaves in the table, and whether it
    // was read whole (so that the end may write over it).
    void reading_data()
    {
        QTest::addColumn<QByteArray>("content"); // null: no file at all
        QTest::addColumn<int>("magT2");
        QTest::addColumn<int>("magT1");
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<FileRead>("read");
        const FileRead whole = FileRead::Whole, partly = FileRead::Partly;
        const auto row = [](const char* name, const QByteArray& content, int magT2, int magT1,
                            const QStringList& cells, FileRead read) {
            QTest::newRow(name) << content << magT2 << magT1 << cells << read;
        };
        row("missing file", QByteArray(), 0, 0, {}, FileRead::Missing);
        row("empty file", "", 0, 0, {}, whole);
        row("short file", "500\r\n200\r\n\" \"\r\n\"\"\r\n\"Ma1-g\"", 500, 200,
            {"1,1= ", "1,3=Ma1-g"}, whole);
        row("quote inside a cell shifts nothing", "0\r\n0\r\n\"Ma\"1-g\"\r\n\" \"\r\n", 0, 0,
            {"1,1=Ma\"1-g", "1,2= "}, whole);
        row("mixed line ends, byte-order mark, empty lines at the end",
            "\xef\xbb\xbf"
            "7\n8\r\"Ma3-r\"\r\n\n\n",
            7, 8, {"1,1=Ma3-r"}, whole);
        row("unquoted cell is taken as it stands", "7\n8\nMa3-r\n", 7, 8, {"1,1=Ma3-r"}, partly);
        row("time that is no number reads as 0", "abc\r\n 200 \r\n\"\"\r\n\" \"\r\n", 0, 200,
            {"1,2= "}, partly);
        row("a line after the last cell", route_file::format_fs(RouteTable()) + "\"Ma3-r\"\r\n", 0,
            0, {}, partly);
        row("larger than is ever read",
            "7\r\n8\r\n\"Ma3-r\"\r\n" + QByteArray(route_file::MaxFileSize, '\n'), 7, 8,
            {"1,1=Ma3-r"}, partly);
    }
    void reading()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, magT2);
        QFETCH(int, magT1);
        QFETCH(QStringList, cells);
        QFETCH(FileRead, read);
        QTemporaryDir dir;
        if (!content.isNull())
            QVERIFY(save_file(dir.filePath("FS.DAT"), content, nullptr));
        RouteTable t;
        QCOMPARE(route_file::load_fs(t, dir.filePath("FS.DAT")), read);
        QCOMPARE(std::pair(t.MagT2, t.MagT1), std::pair(magT2, magT1));
        QCOMPARE(::cells(t), cells);
        QCOMPARE(t.cell(0, 1), "aktiv."); // the headers are never the file's
    }

    void parseStep_data()
    {
        QTest::addColumn<QString>("text");
        // MaAdr MaDir FsNr FsCmd RmAdr RmState Pause; the caller's letters are "x".
        QTest::addColumn<QString>("parts");
        for (auto [text, parts] : {std::pair{"Ma12-g", "12 g - x - x -"},
                                   {"Pa-2.5", "- x - x - x 2.5"},
                                   {"Fs7", "- x - x - x -"}, // no dash: nothing
                                   {"Rm-f", "- x - x - f -"},
                                   {"Fs208-al", "- x 208 al - x -"},
                                   {"Xy5-g", "- x - x - x -"}})
            QTest::newRow(text) << QString(text) << QString(parts);
    }
    void parseStep()
    {
        QFETCH(QString, text);
        QFETCH(QString, parts);
        StepParts p{"old", "x", "old", "x", "old", "x", "old"};
        parse_step(text, p);
        QStringList got;
        for (const QString& s : {p.MaAdr, p.MaDir, p.FsNr, p.FsCmd, p.RmAdr, p.RmState, p.Pause})
            got << (s.isEmpty() ? "-" : s);
        QCOMPARE(got.join(' '), parts);
    }

    void numbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("digits");
        QTest::newRow("fraction") << "2.5" << 2.5 << "25";
        QTest::newRow("leading blanks, trailing text") << "  12-g" << 12.0 << "12";
        QTest::newRow("empty") << "" << 0.0 << "";
        QTest::newRow("no number") << "g5" << 0.0 << "5";
        QTest::newRow("sign and fraction digits") << "-0.125s" << -0.125 << "0125";
        QTest::newRow("more digits than fit a long long")
            << "50011111111111111111.5" << 50011111111111111111.5 << "500111111111111111115";
    }
    void numbers()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QFETCH(QString, digits);
        QCOMPARE(text_value(text), value);
        QCOMPARE(digits_only(text), digits);
    }

    void timeline_data()
    {
        QTest::addColumn<TimelineRow>("row");
        const auto row = [](const char* name, QStringList cells, const char* events, int magT1 = 0,
                            int magT2 = 0, double start = 1000.005) {
            QTest::newRow(name) << TimelineRow{start, magT1, magT2, cells, QString(events)};
        };
        row("accessory then pause, then 48 empty steps", {"3,6=Ma5-g", "3,7=Pa-2", "3,2= "},
            "0 B0 04 30|10 B0 04 20|3480 aktiv 3", 200, 500);
        row("sensor report holds for the pause time", {"3,6=Rm12-b", "3,2= "},
            "0 B2 05 70|1490 aktiv 3", 200, 500);
        // Route 9 starts past the half second: its wake time is the next second.
        row("two requests in ascending order", {"9,6=Ma9-g", "4,6=Ma4-r", "9,2= ", "4,2= "},
            "0 B0 03 10|10 B0 03 00|520 aktiv 4|530 B0 08 30|1000 B0 08 20|1510 aktiv 9");
        row("blocked route starts once another frees it",
            {"1,3= ", "1,6=Ma1-g", "2,6=Fs1-fr", "1,2= ", "2,2= "},
            "500 aktiv 2|510 B0 00 30|1000 B0 00 20|1510 aktiv 1");
        row("targets outside the table and unsendable steps pass",
            {"3,6=Fs0-an", "3,7=Fs209-bl", "3,8=Rm5-x", "3,9=Ma0-g", "3,10=Ma2049-r", "3,11=Rm-f",
             "3,2= "},
            "500 aktiv 3");
        row("wake time: a half second rounds down to the even second", {"3,6=Ma5-g", "3,2= "},
            "0 B0 04 30|10 B0 04 20|520 aktiv 3", 500, 0, 1000.0);
        row("wake time: a half second rounds up to the even second", {"3,6=Ma5-g", "3,2= "},
            "0 B0 04 30|1010 B0 04 20|1520 aktiv 3", 500, 0, 1001.0);
        row("route commands on real routes",
            {"6,1= ", "3,6=Fs6-al", "3,7=Fs6-an", "3,8=Fs7-bl", "3,9=Fs7-an", "3,2= "},
            "0 aktiv 6|500 aktiv 3|1010 aktiv 6");
        row("an accessory letter but r or g keeps the last direction",
            {"3,6=Ma5-g", "3,7=Ma6-x", "3,8=Ma7-r", "3,9=Ma8-x", "3,2= "},
            "0 B0 04 30|10 B0 04 20|30 B0 05 30|40 B0 05 20|60 B0 06 10|70 B0 06 00|90 B0 07 10|"
            "100 B0 07 00|580 aktiv 3");
        row("requested and blocked blinks until freed, an active route drops its request",
            {"5,1= ", "5,2= ", "6,2= ", "6,3= ", "3,6=Ma1-g", "3,7=Fs6-fr", "3,2= "},
            "0 aktiv 5|0 anz 2 yellow|0 anz 4 orange|0 anz 5 red|0 B0 00 30|190 anz 5 yellow|"
            "390 anz 5 red|590 anz 5 yellow|790 anz 5 red|990 anz 5 yellow|1000 B0 00 20|"
            "1510 aktiv 3|1520 anz 2 orange|2020 aktiv 6|2030 anz 5 orange",
            500);
        row("blocked, and active and blocked, show red", {"2,3= ", "5,1= ", "5,3= "},
            "0 aktiv 5|0 anz 1 red|0 anz 4 red");
        row("a route command holds the indicators", {"3,6=Fs9-bl", "3,2= "},
            "0 anz 2 yellow|1000 anz 8 red|1490 aktiv 3|1500 anz 2 orange", 0, 1000);
        row("a sensor step holds the indicators", {"3,6=Rm1-b", "4,4=Rm1-b", "3,2= "},
            "0 anz 2 yellow|0 B2 00 50|1000 anz 3 yellow|1490 aktiv 3|1500 anz 2 orange|"
            "2000 aktiv 4|2010 anz 3 orange",
            0, 1000);
        row("a pause holds the indicators, blinking included",
            {"6,2= ", "6,3= ", "3,6=Pa-1", "3,7=Fs6-fr", "3,2= "},
            "0 anz 2 yellow|0 anz 5 red|1010 anz 5 yellow|1490 aktiv 3|1500 anz 2 orange|"
            "2000 aktiv 6|2010 anz 5 orange");
        row("an accessory step does not", {"3,6=Ma1-g", "4,4=Ma1-g", "3,2= "},
            "0 anz 2 yellow|0 B0 00 30|10 anz 3 yellow|1000 B0 00 20|1510 aktiv 3|"
            "1520 anz 2 orange|2020 aktiv 4|2030 anz 3 orange",
            1000);
    }
    void timeline()
    {
        QFETCH(TimelineRow, row);
        const auto& [start, magT1, magT2, cells, events] = row;
        Timeline tl(start);
        if (events.contains(" anz "))
            tl.watch_indicators();
        tl.t.MagT1 = magT1;
        tl.t.MagT2 = magT2;
        set_cells(tl.t, cells);
        tl.run(4);
        QCOMPARE(tl.events.join('|'), events);
        QCOMPARE(tl.t.cell(0, RouteTable::Requested), "angef.");
    }

    // What the table window's status line says while a route is carried out.
    void statusTexts()
    {
        Timeline tl;
        QStringList shown;
        QObject::connect(&tl.engine, &RouteEngine::status_shown, [&](const QString& status) {
            if (shown.isEmpty() || shown.last() != status)
                shown << status;
        });
        set_cells(tl.t, {"3,2= ", "3,6=Ma5-g", "3,7=Rm2-b", "3,8=Fs4-b", "3,9=Pa-1"});
        tl.run(4);
        QCOMPARE(shown,
                 (QStringList{"Suche neue Fahrstraße zur Abarbeitung", "Magnetartikel schalten",
                              "Rückmeldung erzeugen", "Fahrstraßenbefehl", "Pausenbefehl",
                              "Fahrstraße beendet", "Suche neue Fahrstraße zur Abarbeitung"}));
    }

    void powerOffHoldsTheStepAndTheIndicators()
    {
        Timeline tl;
        tl.watch_indicators();
        tl.t.MagT1 = 200;
        set_cells(tl.t, {"3,6=Ma5-g", "3,7=Ma6-g", "3,2= "});
        tl.run(0.01);
        tl.rig.core->state.show_power(0);
        QSignalSpy status(&tl.engine, &RouteEngine::status_shown);
        tl.t.set_flag(5, RouteTable::Active, true); // recorded, shown once power is back
        tl.run(5);
        QVERIFY(status.isEmpty());
        tl.rig.core->state.show_power(1);
        tl.run(0.01); // the wait ran out meanwhile: the off message goes at once
        QCOMPARE(tl.events, (QStringList{"0 anz 2 yellow", "0 B0 04 30", "10 aktiv 5",
                                         "5010 anz 4 orange", "5010 B0 04 20"}));
        QCOMPARE(tl.engine.BefNrTxt, "1");
    }

    // A report on the bus against route 7's trigger cells.
    void triggers_data()
    {
        QTest::addColumn<TriggerRow>("row");
        const int req = RouteTable::RequestTrigger, rel = RouteTable::ReleaseTrigger;
        const auto row = [](const char* name, int column, const char* text, bool active,
                            const char* report, bool requested, bool stillActive = false) {
            QTest::newRow(name) << TriggerRow{
                column, QString(text), active, QByteArray::fromHex(report), requested, stillActive};
        };
        row("accessory green requests", req, "Ma5-g", false, "B00430", true);
        row("red is not green", req, "Ma5-g", false, "B00410", false);
        row("accessory red releases", rel, "Ma5-r", true, "B00410", false);
        row("sensor occupied requests", req, "Rm12-b", false, "B20570", true);
        row("sensor free releases", rel, "Rm12-f", true, "B20560", false);
        row("switch report is no sensor", req, "Rm5-b", false, "B00430", false);
        row("text without dash never matches", req, "Ma5g", false, "B00430", false);
        row("other accessory", rel, "Ma6-r", true, "B00410", false, true);
    }
    void triggers()
    {
        QFETCH(TriggerRow, row);
        const auto& [column, text, active, report, requested, stillActive] = row;
        Rig rig;
        RouteTable& t = rig.core->FSTab;
        t.set_cell(7, column, text);
        t.set_flag(7, RouteTable::Active, active);
        rig.sendRaw(ln::frame(report));
        rig.tick();
        QCOMPARE(t.flag(7, RouteTable::Requested), requested);
        QCOMPARE(t.flag(7, RouteTable::Active), stillActive);
    }

    // The example routes of the README against the virtual station's demo
    // layout: its train occupies sensor 1 and another device switches
    // accessory 3 green, and each starts a route by itself.
    void demoTrainRequestsTheReadmeRoutes()
    {
        Rig rig;
        sim::VirtualStation station(rig.bus, rig.clock);
        rig.station = [&] { station.poll(); };
        RouteTable& t = rig.core->FSTab;
        t.MagT1 = 200;
        t.MagT2 = 500;
        set_cells(t, {"1,4=Rm1-b", "1,5=Rm4-f", "1,6=Ma10-g", "1,7=Pa-2", "1,8=Ma11-r", "2,4=Ma3-g",
                      "2,5=Ma3-r", "2,6=Ma12-g", "2,7=Rm20-b"});
        rig.core->conn.connect_port("1");
        station.setupDemo();
        rig.run(15);
        QVERIFY(t.flag(1, RouteTable::Active) && t.flag(2, RouteTable::Active));
        QCOMPARE(station.accessoryState(10), 1);
        QCOMPARE(station.accessoryState(11), 0);
        QCOMPARE(station.sensorState(20), 1);
        rig.run(5); // the train has left sensor 4, accessory 3 is red again
        QVERIFY(!t.flag(1, RouteTable::Active) && !t.flag(2, RouteTable::Active));
        QCOMPARE(rig.texts(), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestRoutes)
#include "tst_routes.moc"
