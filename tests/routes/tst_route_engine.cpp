// The route engine on the fake clock: what it sends and when, its
// indicators, track power, and the triggers fed by switch and sensor reports.

#include "core/colour.h"
#include "sim/virtual_station.h"
#include "support/rig.h"

#include <QSignalSpy>
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
    // "r,c=text" cells.
    void set(const QStringList& cells)
    {
        for (const QString& cell : cells) {
            const auto rc = cell.section('=', 0, 0).split(',');
            t.set_cell(rc[0].toInt(), rc[1].toInt(), cell.section('=', 1));
        }
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
    QString events;
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

class TestRouteEngine : public QObject {
    Q_OBJECT
  private slots:
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
    }
    void timeline()
    {
        QFETCH(TimelineRow, row);
        const auto& [start, magT1, magT2, cells, events] = row;
        Timeline tl(start);
        tl.t.MagT1 = magT1;
        tl.t.MagT2 = magT2;
        tl.set(cells);
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
        tl.set({"3,2= ", "3,6=Ma5-g", "3,7=Rm2-b", "3,8=Fs4-b", "3,9=Pa-1"});
        tl.run(4);
        QCOMPARE(shown,
                 (QStringList{"Suche neue Fahrstraße zur Abarbeitung", "Magnetartikel schalten",
                              "Rückmeldung erzeugen", "Fahrstraßenbefehl", "Pausenbefehl",
                              "Fahrstraße beendet", "Suche neue Fahrstraße zur Abarbeitung"}));
    }

    void indicatorsBlinkDropRequestsAndFreezeWithPowerOff()
    {
        Timeline tl;
        tl.set({"2,2= ", "2,3= ", "5,1= ", "5,2= "});
        QSignalSpy anz(&tl.engine, &RouteEngine::fs_anz);
        const QVariantList red{1, colour::Red}, yellow{1, colour::Yellow};
        tl.run(0.01);
        // An active route's request is dropped, and it shows as active in that pass.
        QCOMPARE(anz, (QList<QVariantList>{red, {4, colour::Orange}}));
        QVERIFY(!tl.t.flag(5, RouteTable::Requested));
        anz.clear();
        tl.run(0.79); // 80 passes in all
        QCOMPARE(anz, (QList<QVariantList>{yellow, red, yellow, red}));
        QCOMPARE(tl.events, QStringList{"0 aktiv 5"}); // set above; nothing sent

        tl.rig.core->state.show_power(0);
        anz.clear();
        tl.rig.core->routePanel.release_route(5); // recorded, not shown
        tl.run(1);
        QVERIFY(anz.isEmpty());
        QVERIFY(!tl.t.flag(5, RouteTable::Active));
        tl.rig.core->state.show_power(1);
        tl.run(0.01);
        QCOMPARE(anz.last(), (QVariantList{4, colour::White}));
    }

    void powerOffHoldsTheStepAndResumesThere()
    {
        Timeline tl;
        tl.t.MagT1 = 200;
        tl.set({"3,6=Ma5-g", "3,7=Ma6-g", "3,2= "});
        tl.run(0.01);
        QCOMPARE(tl.events, QStringList{"0 B0 04 30"});
        tl.rig.core->state.show_power(0);
        QSignalSpy status(&tl.engine, &RouteEngine::status_shown);
        tl.run(5);
        QCOMPARE(tl.events.size(), 1);
        QVERIFY(status.isEmpty());
        tl.rig.core->state.show_power(1);
        tl.run(0.01); // the wait ran out meanwhile: the off message goes at once
        QCOMPARE(tl.events.last(), "5010 B0 04 20");
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
        row("off message is no report", req, "Ma5-g", false, "B00420", false);
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
        const QStringList routes[] = {{"Rm1-b", "Rm4-f", "Ma10-g", "Pa-2", "Ma11-r"},
                                      {"Ma3-g", "Ma3-r", "Ma12-g", "Rm20-b"}};
        for (int r : {1, 2})
            for (int k = 0; k < routes[r - 1].size(); ++k)
                t.set_cell(r, RouteTable::RequestTrigger + k, routes[r - 1][k]);
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

QTEST_GUILESS_MAIN(TestRouteEngine)
#include "tst_route_engine.moc"
