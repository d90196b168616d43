// The WiThrottle server against the virtual station in memory, with phones
// as plain TCP peers on 127.0.0.1: the lines they are sent, the bytes
// their commands put on the bus, and what they hear of the bus.

#include "loco/drivers.h"
#include "loco/throttle.h"
#include "support/station_rig.h"
#include "withrottle/wt_line.h"

#include <QTcpSocket>
#include <QtTest>
#include <ctime>
#include <memory>
#ifdef Q_OS_UNIX
#include <sys/resource.h> // to run out of file handles
#include <unistd.h>
#endif

namespace {
// A throttle app: sends lines, collects the lines it is sent.
struct Phone {
    Phone(quint16 port, const Clock& clock)
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this, &clock] {
            buffer += socket.readAll();
            qsizetype end;
            while ((end = buffer.indexOf('\n')) >= 0) {
                lines << QString::fromUtf8(buffer.left(end));
                heardAt << clock.now();
                buffer.remove(0, end + 1);
            }
        });
        socket.connectToHost(QHostAddress::LocalHost, port);
        socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    }
    void send(const QString& text) { socket.write(text.toUtf8()); }
    // Lines since the last take.
    QStringList take()
    {
        const QStringList l = lines.mid(taken);
        taken = lines.size();
        return l;
    }
    QTcpSocket socket;
    QByteArray buffer;
    QStringList lines;
    QList<double> heardAt; // when each line came, by the program's clock
    qsizetype taken = 0;
};

// One line of the parser's result, as the rows below write it.
QString describe(const wt::Command& c)
{
    using wt::Command;
    const QString loco = QStringLiteral("%1 %2 %3").arg(c.throttle).arg(c.key).arg(c.address);
    switch (c.kind) {
    case Command::Empty: return "empty";
    case Command::Name: return "name " + c.text;
    case Command::DeviceId: return "id " + c.text;
    case Command::Heartbeat: return "heartbeat";
    case Command::HeartbeatOn: return "heartbeat on";
    case Command::HeartbeatOff: return "heartbeat off";
    case Command::Quit: return "quit";
    case Command::Acquire: return "acquire " + loco;
    case Command::Release: return "release " + loco + ' ' + QChar(c.value);
    case Command::Loco: {
        static const char* acts[] = {"speed", "direction", "function", "force", "momentary",
                                     "estop", "idle",      "query",    "steps"};
        QString a = "loco " + loco + ' ' + acts[c.act];
        if (c.act == Command::Query)
            return a + ' ' + QChar(c.value);
        if (c.act == Command::Function || c.act == Command::Force || c.act == Command::Momentary)
            return a + QStringLiteral(" %1=%2").arg(c.number).arg(c.value);
        if (c.act == Command::EStop || c.act == Command::Idle)
            return a;
        return a + ' ' + QString::number(c.value);
    }
    case Command::Turnout: return QStringLiteral("turnout %1 %2").arg(c.number).arg(QChar(c.value));
    case Command::Route: return QStringLiteral("route %1").arg(c.number);
    case Command::Power: return QStringLiteral("power %1").arg(c.value);
    case Command::Unreadable: return "unreadable: " + c.text;
    case Command::Bad: return "bad: " + c.text;
    }
    return {};
}
// What a phone is told when it has taken a loco: labels, F0..F28, speed,
// direction, speed steps.
QStringList introduction(const QString& key, const QString& states)
{
    const QString a = "MTA" + key + "<;>";
    QStringList l{"MT+" + key + "<;>", "MTL" + key + "<;>" + wt::function_labels({})};
    for (int n = 0; n < wt::Functions; ++n)
        l << a + QStringLiteral("F0%1").arg(n);
    for (const QString& s : states.split(' '))
        l << a + s;
    return l;
}
} // namespace

class TestWiThrottle : public QObject {
    Q_OBJECT
  private slots:
    void init()
    {
        station = std::make_unique<StationRig>();
        Rig& rig = station->rig;
        // Route 3 switches accessory 7; route 5 has only a trigger and no steps.
        rig.core->FSTab.set_cell(3, RouteTable::FirstStep, "Ma7-g");
        rig.core->FSTab.set_cell(5, RouteTable::RequestTrigger, "Ma9-r");
        server().log = [this](const QString& text) { logs << text; };
        QVERIFY(server().listen(QHostAddress::LocalHost, 0));
        logs.clear();
    }
    void cleanup()
    {
        phones.clear();
        station.reset();
    }

    void readsLines_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("command");
        const auto row = [](const char* line, const char* command) {
            QTest::newRow(line) << QByteArray(line) << QString::fromUtf8(command);
        };
        row("", "empty");
        row("NMein Handy", "name Mein Handy");
        row("N", "bad: empty name");
        row("HU4f2a", "id 4f2a");
        row("*", "heartbeat");
        row("*x", "bad: unknown heartbeat command");
        row("Q", "quit");
        row("MT+L1234<;>L1234", "acquire T L1234 1234");
        row("M0+S3<;>ELok 3", "acquire 0 S3 3");
        row("MTSL16383<;>L16383", "acquire T L16383 16383");
        row("MT+L16384<;>L16384", "bad: loco address other than S1..S127 and L1..L16383");
        row("MT+S128<;>S128", "bad: loco address other than S1..S127 and L1..L16383");
        row("MT+L0<;>L0", "bad: loco address other than S1..S127 and L1..L16383");
        row("MT+L3<;>L4", "bad: acquire of another loco than the key");
        row("MT+*<;>*", "bad: acquire of another loco than the key");
        row("MT+L3", "bad: multi-throttle command without <;>");
        row("MT-L3<;>r", "release T L3 3 r");
        row("MT-*<;>d", "release T * 0 d");
        row("MT-L3<;>x", "bad: release other than r and d");
        row("MTAL3<;>V126", "loco T L3 3 speed 126");
        row("MTAL3<;>V-1", "loco T L3 3 speed -1");
        row("MTAL3<;>V127", "bad: speed outside 0..126 and -1");
        row("MTAL3<;>V+5", "bad: speed outside 0..126 and -1");
        row("MTA*<;>R0", "loco T * 0 direction 0");
        row("MTAL3<;>R2", "bad: direction other than 0 and 1");
        row("MTAL3<;>F128", "loco T L3 3 function 28=1");
        row("MTAL3<;>F129", "bad: function number outside 0..28");
        row("MTAL3<;>F2", "bad: function number outside 0..28");
        row("MTAL3<;>f15", "loco T L3 3 force 5=1");
        row("MTAL3<;>m12", "loco T L3 3 momentary 2=1");
        row("MTAL3<;>X", "loco T L3 3 estop");
        row("MTAL3<;>qV", "loco T L3 3 query V");
        row("MTAL3<;>qF", "bad: unknown query");
        row("MTAL3<;>s2", "loco T L3 3 steps 2");
        row("MTAL3<;>s3", "bad: unknown speed-step mode");
        row("MTAL3<;>Z", "bad: unknown loco action");
        row("MTZL3<;>V5", "bad: unknown multi-throttle action");
        row("PTACLT12", "turnout 12 C");
        row("PTAT2048", "turnout 2048 T");
        row("PTACLT2049", "bad: accessory outside 1..2048");
        row("PTACLT0", "bad: accessory outside 1..2048");
        row("PTAXLT12", "bad: turnout state other than C, T and 2");
        row("PRA2FS208", "route 208");
        row("PRA2FS209", "bad: route outside 1..208");
        row("PRA1FS3", "bad: route command other than 2 (set)");
        row("PPA1", "power 1");
        row("PPA2", "bad: unknown command");
        row("TV50", "bad: unknown command");
        QTest::newRow("not UTF-8")
            << QByteArray("N\xff\xfe") << "unreadable: text that is not UTF-8";
        QTest::newRow("NUL") << QByteArray("PPA1\0", 5) << "unreadable: control character";
    }
    void readsLines()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, command);
        QCOMPARE(describe(wt::parse(line)), command);
    }

    void greetsWithListsOfTheLayout()
    {
        // The roster is the loco list, not the slot table: loco 5 has a
        // slot but no entry. Accessory 20 was switched by someone else before.
        station->station.throttleSpeed(5, 0);
        station->station.switchAccessory(20, false);
        load_list("# Lokliste\r\n3 \"BR 218\" F2 \"Pfeife\"\r\n1234 \"\"\r\n");
        settle();
        QCOMPARE(
            phone().lines,
            (QStringList{"VN2.0", "RL2]\\[BR 218}|{3}|{S]\\[Lok 1234}|{1234}|{L",
                         "PTT]\\[Magnetartikel}|{Mag.Art.]\\[grün}|{2]\\[rot}|{4]\\[unbekannt}|{1",
                         "PTL]\\[LT7}|{Mag.Art. 7}|{1]\\[LT9}|{Mag.Art. 9}|{1]\\[LT20}|{Mag.Art. "
                         "20}|{4",
                         "PRT]\\[Fahrstraßen}|{Fahrstraße]\\[aktiv}|{2]\\[nicht aktiv}|{4]\\["
                         "angefordert}|{8",
                         "PRL]\\[FS3}|{Fahrstr. 3}|{4", "PPA1", "*10"}));
    }

    // The loco list names the locos, labels their buttons and says which
    // act only while pressed; a phone takes a loco by its roster name.
    void locoListGivesNamesLabelsAndButtons()
    {
        load_list("3 \"BR 218\" F2 \"Pfeife\" F3* \"Glocke\"\r\n");
        Phone& p = phone();
        QStringList labels{"Licht", "F1", "Pfeife", "Glocke"};
        for (int n = 4; n < wt::Functions; ++n)
            labels << QStringLiteral("F%1").arg(n);
        const QString mtl = "MTLS3<;>]\\[" + labels.join("]\\[");
        QCOMPARE(say(p, "MT+S5<;>EBR 218\n").mid(0, 2), (QStringList{"MT+S3<;>", mtl}));
        QCOMPARE(server().devices()[0].names, QStringList{"BR 218 (3)"});
        rig().takeWire();
        for (const char* press : {"F13", "F03", "F12", "F02"}) // F3 momentary, F2 latching
            say(p, QStringLiteral("MTAS3<;>%1\n").arg(press));
        QCOMPARE(rig().takeWire(), wire_hex("A1 01 04|A1 01 00|A1 01 02"));
        // Changed in the list while held: the phone gets the labels anew.
        LocoEntry e = *rig().core->locoList.find(3);
        e.labels[2] = "Horn";
        rig().core->locoList.set(e, 3);
        settle();
        QCOMPARE(p.take().filter("MTL"), QStringList{QString(mtl).replace("Pfeife", "Horn")});
    }

    // Commands with their bytes on the bus and the lines the phone is sent
    // back; `before` is sent first and its outcome not looked at. A phone
    // `holding` loco 3 (slot 1) takes it first and is heard only for its
    // throttle lines and messages.
    void commands_data()
    {
        QTest::addColumn<bool>("holding");
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("wire");
        QTest::addColumn<QStringList>("replies");
        const auto adder = [](bool holding) {
            return [holding](const char* name, const QStringList& before, const char* line,
                             const char* wire, const QStringList& replies) {
                QTest::newRow(name)
                    << holding << before << QString(line) << QString(wire) << replies;
            };
        };
        const auto row = adder(false), held = adder(true);
        // Loco 3 actions, written without the "MTAS3<;>" in front.
        const auto loco = [](const char* name, QStringList before, const char* line,
                             const char* wire, QStringList replies) {
            for (QStringList* l : {&before, &replies})
                for (QString& s : *l)
                    s = "MTAS3<;>" + s;
            QTest::newRow(name) << true << before << "MTAS3<;>" + QString(line) << QString(wire)
                                << replies;
        };
        const QString list = "PTL]\\[LT7}|{Mag.Art. 7}|{1]\\[LT9}|{Mag.Art. 9}|{1]\\[LT%1}|{Mag."
                             "Art. %1}|{%2";
        row("STOP", {}, "PPA0", "82", {"PPA0"});
        row("a name is answered with the heartbeat", {}, "NMein Handy", "", {"*10"});
        row("GO", {"PPA0"}, "PPA1", "83", {"PPA1"});
        row("closed is green", {}, "PTACLT12", "B0 0B 30|B0 0B 20", {list.arg(12).arg(2)});
        row("thrown is red, bare number", {}, "PTAT12", "B0 0B 10|B0 0B 00", {list.arg(12).arg(4)});
        row("toggle of closed", {"PTACLT12"}, "PTA2LT12", "B0 0B 10|B0 0B 00", {"PTA4LT12"});
        row("toggle of unknown closes", {}, "PTA2LT7", "B0 06 30|B0 06 20", {"PTA2LT7"});
        row("the same state again is confirmed", {"PTAC7"}, "PTAC7", "B0 06 30|B0 06 20",
            {"PTA2LT7"});
        row("last accessory", {}, "PTAC2048", "B0 7F 3F|B0 7F 2F", {list.arg(2048).arg(2)});
        row("route, as the memory panel requests it", {}, "PRA2FS3", "B0 06 30|B0 06 20",
            {"PTA2LT7", "PRA8FS3", "PRA2FS3"});
        // What cannot be read reaches nothing.
        for (const char* bad : {"PTAXLT12", "PTAC2049", "PTAC0", "PRA2FS209", "PRA1FS3", "PPA2",
                                "XYZ", "MTAL3<;>V50", "MTAL3<;>F129", "MT+L16384<;>L16384"})
            row(bad, {}, bad, "", {});
        loco("speed", {}, "V50", "A0 01 33", {"V50"});
        loco("slowest is no emergency stop", {}, "V1", "A0 01 02", {"V1"});
        loco("fastest", {}, "V126", "A0 01 7F", {"V126"});
        loco("emergency stop", {"V50"}, "V-1", "A0 01 01", {"V0"});
        loco("emergency stop X", {"V50"}, "X", "A0 01 01", {"V0"});
        loco("idle", {"V50"}, "I", "A0 01 00", {"V0"});
        loco("direction keeps the speed", {"V50"}, "R0", "A1 01 20", {"R0"});
        loco("the same direction sends nothing", {"V50"}, "R1", "", {});
        loco("a second direction before the first is back", {}, "R0\r\nMTAS3<;>R1",
             "A1 01 20|A1 01 00", {"R0", "R1"});
        loco("Licht toggles at the press", {}, "F10", "A1 01 10", {"F10"});
        loco("and back", {"F10", "F00"}, "F10", "A1 01 00", {"F00"});
        loco("a release of a latching button", {"F10"}, "F00", "", {});
        loco("F12 in a function group", {}, "F112", "D4 20 01 05 10", {"F112"});
        loco("momentary while held", {"m12"}, "F12", "A1 01 02", {"F12"});
        loco("momentary let go", {"m12", "F12"}, "F02", "A1 01 00", {"F02"});
        loco("latching again", {"m12", "m02", "F12", "F02"}, "F12", "A1 01 00", {"F02"});
        loco("the horn F2 is momentary by default", {"F12"}, "F02", "A1 01 00", {"F02"});
        QStringList buttons;
        for (int n = 0; n < wt::Functions; ++n)
            buttons << QStringLiteral("m%1%2").arg(n == 2 || n == 5 ? 1 : 0).arg(n);
        loco("how the buttons act", {"m15"}, "qm", "", buttons);
        loco("forced on", {}, "f13", "A1 01 04", {"F13"});
        loco("query speed", {"V50"}, "qV", "", {"V50"});
        loco("query direction", {}, "qR", "", {"R1"});
        loco("speed steps stay", {}, "s8", "", {"s2"});
        held("every loco of the throttle", {"MT+L1234<;>L1234"}, "MTA*<;>V10", "A0 01 0B|A0 02 0B",
             {"MTAS3<;>V10", "MTAL1234<;>V10"});
        held("release stops", {"MTAS3<;>V50"}, "MT-S3<;>r", "A0 01 00", {"MT-S3<;>"});
        held("dispatch stops", {"MTAS3<;>V50"}, "MT-S3<;>d", "A0 01 00", {"MT-S3<;>"});
        held("a stopped loco is let go quietly", {}, "MT-*<;>r", "", {"MT-S3<;>"});
        held("a loco another throttle holds", {}, "MSAS3<;>V50", "", {});
        held("taken again: its state again", {}, "MT+S3<;>S3", "", introduction("S3", "V0 R1 s2"));
    }
    void commands()
    {
        QFETCH(bool, holding);
        QFETCH(QStringList, before);
        QFETCH(QString, line);
        QFETCH(QString, wire);
        QFETCH(QStringList, replies);
        Phone& p = phone();
        if (holding) {
            p.send("MT+S3<;>S3\n");
            settle();
            QCOMPARE(rig().takeWire(),
                     wire_hex("BE 00 03|ED 0F 01 5A 56 0D 00 03 00 00 00 00 00 00"));
            QCOMPARE(p.take(), introduction("S3", "V0 R1 s2"));
        }
        for (const QString& b : before)
            p.send(b + '\n');
        settle();
        rig().takeWire();
        p.take();
        p.send(line + "\r\n");
        settle(4); // a route walks its 50 steps, and waits for whole seconds
        QCOMPARE(rig().takeWire(), wire_hex(wire));
        QStringList got = p.take();
        if (holding) // roster and list updates aside
            got = got.filter(QRegularExpression("^[MH]"));
        QVERIFY2(got == replies, qPrintable(got.join(" / ")));
    }

    // What another throttle, a panel, the station or the editor change
    // reaches the phones that show it. Holding loco 3, one phone by the T
    // and one by the 0 throttle hear its moves; the one on loco 4 does not.
    void feedback_data()
    {
        QTest::addColumn<bool>("holding");
        QTest::addColumn<QString>("event");
        QTest::addColumn<QStringList>("lines");
        const auto row = [](const char* event, bool holding, const QStringList& lines) {
            QTest::newRow(event) << holding << QString(event) << lines;
        };
        row("speed", true, {"MTAS3<;>V39"});
        row("direction and Licht", true, {"MTAS3<;>F10", "MTAS3<;>R0"});
        row("F5", true, {"MTAS3<;>F15"});
        row("panel", true, {"MTAS3<;>V20"});
        row("power off", false, {"PPA0"});
        row("accessory of the list", false, {"PTA4LT7"});
        row("accessory new to the list", false,
            {"PTL]\\[LT1}|{Mag.Art. 1}|{2]\\[LT7}|{Mag.Art. 7}|{1]\\[LT9}|{Mag.Art. 9}|{1"});
        row("loco new on the bus", false, {}); // the roster does not grow with it
        row("loco list entry added", false, {"RL1]\\[V 60}|{5}|{S"});
        row("route given steps in the editor", false,
            {"PRL]\\[FS3}|{Fahrstr. 3}|{4]\\[FS4}|{Fahrstr. 4}|{4"});
        row("connection lost", false, {"PPA2"});
    }
    void feedback()
    {
        QFETCH(bool, holding);
        QFETCH(QString, event);
        QFETCH(QStringList, lines);
        Phone& other = phone(holding ? "MT+S4<;>S4\n" : "");
        Phone& a = phone(holding ? "MT+S3<;>S3\n" : "");
        Phone& b = phone(holding ? "M0+S3<;>S3\n" : "");
        sim::VirtualStation& st = station->station;
        Drivers& drivers = rig().core->drivers;
        if (event == "speed")
            st.throttleSpeed(3, 40);
        else if (event == "direction and Licht")
            st.throttleDirf(3, 0x30);
        else if (event == "F5")
            st.throttleFunction(3, 5, true);
        else if (event == "panel") {
            drivers.acquire(0, 3);
            drivers.speed(0, 21);
        } else if (event == "power off")
            st.setPower(false);
        else if (event == "accessory of the list")
            st.switchAccessory(7, false);
        else if (event == "accessory new to the list")
            st.switchAccessory(1, true);
        else if (event == "loco new on the bus")
            st.throttleSpeed(5, 20);
        else if (event == "loco list entry added")
            rig().core->locoList.set(LocoEntry{5, "V 60", {}, {}});
        else if (event == "route given steps in the editor")
            rig().core->FSTab.set_cell(4, RouteTable::FirstStep, "Pa-1");
        else if (event == "connection lost")
            rig().core->conn.disconnect_port("1");
        settle(1);
        const QString only = holding ? "S3" : ""; // the lines about loco 3
        QCOMPARE(a.take().filter(only), lines);
        QCOMPARE(b.take().filter(only), QStringList(lines).replaceInStrings("MTAS3", "M0AS3"));
        QCOMPARE(other.take().filter(holding ? "MTA" : ""), holding ? QStringList{} : lines);
    }

    void panelsFollowALocoDrivenFromAPhone()
    {
        rig().core->drivers.acquire(1, 3);
        settle();
        phone("MT+S3<;>S3\nMTAS3<;>V50\nMTAS3<;>F10\n");
        QCOMPARE(rig().core->loco.ThrLoco[1].Spd, 51);
        QVERIFY(function_on(rig().core->loco.ThrLoco[1], 0));
        QVERIFY(rig().shown.isEmpty());
    }

    // Two phones on different locos and on the same loco; the loco stops
    // only when the last phone lets it go.
    void twoPhones()
    {
        Phone& a = phone("MT+S3<;>S3\nMT+S5<;>S5\n");
        Phone& b = phone("MT+S4<;>S4\nMT+S3<;>S3\n");
        a.take(); // the roster with loco 4
        QCOMPARE(say(a, "MTAS5<;>V20\n"), QStringList{"MTAS5<;>V20"});
        QCOMPARE(b.take(), QStringList{});
        QCOMPARE(say(b, "MTAS3<;>V30\n"), QStringList{"MTAS3<;>V30"});
        QCOMPARE(a.take(), QStringList{"MTAS3<;>V30"});
        rig().takeWire();
        QCOMPARE(say(b, "MT-S3<;>r\n"), QStringList{"MT-S3<;>"});
        QCOMPARE(rig().takeWire(), QString()); // a still drives it
        QCOMPARE(server().devices()[1].locos, QList<int>{4});
        // a says "Q": both its locos stop, and nothing it sent after counts.
        a.send("Q\nMTAS3<;>V90\n");
        QTRY_COMPARE((settle(), server().devices().size()), 1);
        QCOMPARE(rig().takeWire(), wire_hex("A0 01 00|A0 02 00"));
        QCOMPARE(say(b, "MTAS4<;>V10\n"), QStringList{"MTAS4<;>V10"});
    }

    // A phone holding loco 3 (slot 1) at speed 50 goes, one way or another:
    // the stop that is due goes out, also while a job on the programming
    // track runs; "" where the loco keeps going.
    void noLocoIsLeftRunning_data()
    {
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("wire");
        const auto row = [](const char* event, const char* wire) {
            QTest::newRow(event) << QString(event) << QString(wire);
        };
        row("socket closed", "A0 01 00");
        row("socket closed during a CV read", "A0 01 00");
        row("emergency stop and close in one packet", "A0 01 01");
        row("speed 0 and release in one packet", "A0 01 00");
        row("silent", "A0 01 01");
        row("silent during a CV read", "A0 01 01");
        row("silent, not monitored", "");
        row("STOP during a CV read", "82");
        row("released, a panel shows it", "");
        row("released, only a silent phone held it too", "A0 01 00");
        row("replaced, not taken back", "A0 01 00");
        row("replaced, taken back", "");
    }
    void noLocoIsLeftRunning()
    {
        QFETCH(QString, event);
        QFETCH(QString, wire);
        const bool silent = event.startsWith("silent");
        Phone& p =
            phone(QString("NPhone\nHU4f2a\n") + (event.contains("not monitored") ? "*-" : "*+") +
                  "\nMT+S3<;>S3\nMTAS3<;>V50\n");
        if (event.startsWith("released, only")) { // the same phone, back on a new connection
            settle(13); // past the 12 s lapse
            phone("MT+S3<;>S3\nMTAS3<;>V50\n");
        }
        if (event.contains("panel")) {
            rig().core->drivers.acquire(0, 3);
            settle();
        }
        if (silent) // half a second before the lapse (the phone's last line was a second ago)
            settle(10.5);
        rig().takeWire();
        p.take();
        if (event.contains("CV read")) {
            station->station.programmingTrack().setDecoder(sim::Decoder::standard(3));
            rig().core->prog.dcc_init();
            QVERIFY(rig().core->prog.read_list(Programming::StdList));
            settle(0.05);
        }
        if (event.startsWith("socket closed"))
            p.socket.abort();
        else if (event.startsWith("emergency stop and close")) {
            p.send("MTAS3<;>X\n");
            p.socket.disconnectFromHost();
        } else if (event.startsWith("speed 0"))
            p.send("MTAS3<;>V0\nMT-S3<;>r\n");
        else if (event.startsWith("STOP"))
            p.send("PPA0\n");
        else if (event.startsWith("released"))
            phones.back()->send("MT-S3<;>r\n");
        else if (event.startsWith("replaced")) {
            Phone& back = phone(event.contains("not") ? "HU4f2a\n" : "HU4f2a\nMT+S3<;>S3\n");
            QCOMPARE(p.socket.state(), QAbstractSocket::UnconnectedState);
            settle(10);
            QCOMPARE(back.take().filter("MTAS3<;>V"), QStringList{}); // no request, no stop
        }
        settle(silent ? 0.6 : 0.1);
        const QString got = rig().takeWire();
        QVERIFY2(wire.isEmpty() ? !got.contains("A0 01") : got.contains(wire_hex(wire)),
                 qPrintable(got));
        if (event.contains("CV read")) // it went out between the job's messages
            QVERIFY(rig().core->req.has_long_job());
        if (!silent)
            return;
        QCOMPARE(p.take().filter("HM"),
                 wire.isEmpty() ? QStringList{}
                                : QStringList{"HMKeine Nachricht seit 12 s: die Loks dieses Geräts "
                                              "wurden angehalten."});
        // Three intervals of silence end the connection.
        settle(18); // 30 s after its last line
        QCOMPARE(server().devices().size(), wire.isEmpty() ? 1 : 0);
    }

    // Nobody on the network can exhaust the server; a phone that keeps
    // speaking stays connected.
    void limits_data()
    {
        QTest::addColumn<QString>("limit");
        for (const char* limit : {"connections", "greeting", "unread output", "accept fails",
                                  "keep alive", "no timer while nothing is due"})
            QTest::newRow(limit) << QString(limit);
    }
    void limits()
    {
        QFETCH(QString, limit);
        if (limit == "connections") {
            for (int i = 0; i < WiThrottleServer::MaxClients; ++i)
                phone();
            Phone& more = phone();
            QCOMPARE(more.lines,
                     QStringList{"HMZu viele Geräte verbunden: die Verbindung wird getrennt."});
            QTRY_COMPARE(more.socket.state(), QAbstractSocket::UnconnectedState);
            QCOMPARE(server().devices().size(), WiThrottleServer::MaxClients);
        } else if (limit == "greeting") {
            Phone& quiet = phone();
            phone("NPhone\n");
            settle(27); // 29 s after it came
            QCOMPARE(quiet.socket.state(), QAbstractSocket::ConnectedState);
            settle(2); // 30 s without a word
            QCOMPARE(quiet.socket.state(), QAbstractSocket::UnconnectedState);
            QCOMPARE(server().devices().size(), 1);
        } else if (limit == "unread output") {
            // Asked for its loco again and again, never reading the answers.
            Phone& p = phone("MT+S3<;>S3\n");
            QObject::disconnect(&p.socket, &QTcpSocket::readyRead, nullptr, nullptr);
            p.socket.setReadBufferSize(1024);
            p.send(QString("MT+S3<;>S3\n").repeated(10000));
            QTRY_COMPARE((settle(0.01), server().devices().size()), qsizetype(0));
            QCOMPARE(logs.filter("unread").size(), 1);
        } else if (limit == "accept fails") {
#ifndef Q_OS_UNIX
            QSKIP("needs a file-handle limit");
#else
            // No file handle left for the program's end of the second phone.
            Phone& first = phone();
            rlimit before{};
            getrlimit(RLIMIT_NOFILE, &before);
            const int lowest = ::dup(0); // the lowest free handle, for the phone's own end
            ::close(lowest);
            rlimit low = before;
            low.rlim_cur = rlim_t(lowest) + 1;
            setrlimit(RLIMIT_NOFILE, &low);
            Phone& second = phone();
            const std::clock_t cpu = std::clock();
            QTest::qWait(300);
            const double busy = double(std::clock() - cpu) / CLOCKS_PER_SEC;
            setrlimit(RLIMIT_NOFILE, &before);
            QVERIFY2(busy < 0.1, qPrintable(QString::number(busy))); // no busy loop meanwhile
            QCOMPARE(second.lines, QStringList{});
            first.socket.abort();
            settle(1.5);
            QCOMPARE(second.lines.value(0), "VN2.0");
            QCOMPARE(logs.filter("cannot accept").size(), 1);
#endif
        } else if (limit == "keep alive") {
            // Speaking every 8 s, it hears a line at least every 10 s.
            Phone& p = phone("NPhone\n*+\n");
            for (int i = 0; i < 6; ++i) {
                settle(8);
                p.send("*\n");
            }
            settle(1);
            for (qsizetype i = 1; i < p.heardAt.size(); ++i)
                QVERIFY(p.heardAt[i] - p.heardAt[i - 1] <= 10);
            QVERIFY(rig().clock.now() - p.heardAt.last() < 10);
        } else {
            const auto* timer = server().findChild<QTimer*>("WtDeadlines");
            Phone& p = phone("NPhone\n");
            QVERIFY(!timer->isActive());
            say(p, "*+\n");
            QVERIFY(timer->isActive());
            say(p, "*-\n");
            QVERIFY(!timer->isActive());
        }
    }

    void refusesQuietlyWhatCannotRunNow()
    {
        Phone& p = phone();
        rig().core->conn.disconnect_port("1");
        settle();
        p.take();
        rig().takeWire();
        const QString offline = "HM" + rig().core->req.refusal_text(ReqEngine::Refusal::Offline);
        // Told once, not once for each command; the power switch snaps back.
        QCOMPARE(say(p, "PPA1\nPTACLT12\n"), (QStringList{offline, "PPA2", "PTA1LT12"}));
        rig().clock.advance(1.0);
        QCOMPARE(say(p, "PRA2FS3\n"), QStringList{offline});
        QVERIFY(!rig().core->FSTab.flag(3, RouteTable::Requested));
        QCOMPARE(rig().takeWire(), QString());
        QVERIFY(rig().shown.isEmpty()); // no box on the computer
    }

    void badInputIsLoggedOnceASecondAndTheConnectionStaysUsable()
    {
        Phone& p = phone();
        Phone& other = phone();
        p.send("NPhone\nXYZ\nMTAL3<;>V500\nPTAC9999\n");
        settle();
        QCOMPARE(logs.size(), 1);
        QVERIFY2(logs[0].contains("Phone") && logs[0].contains("unknown command: XYZ"),
                 qPrintable(logs[0]));
        rig().clock.advance(1.0);
        p.socket.write("N\xc3(\n");
        settle();
        QCOMPARE(logs.size(), 2);
        QVERIFY(p.take().contains("HMZeile nicht lesbar: sie wird übergangen."));
        rig().takeWire();
        say(p, "PPA0\n");
        QCOMPARE(rig().takeWire(), wire_hex("82"));

        // An endless line closes only that client.
        other.take();
        p.send(QString(2000, 'A'));
        QTRY_COMPARE((settle(), p.socket.state()), QAbstractSocket::UnconnectedState);
        QVERIFY(p.take().contains("HMZeile zu lang: die Verbindung wird getrennt."));
        QCOMPARE(server().devices().size(), 1);
        QCOMPARE(say(other, "PPA1\n"), QStringList{"PPA1"});
    }

  private:
    Rig& rig() { return station->rig; }
    WiThrottleServer& server() { return rig().core->withrottle; }
    // A phone that has been greeted, has sent `lines` and been answered.
    Phone& phone(const QString& lines = {})
    {
        phones.push_back(std::make_unique<Phone>(server().port(), rig().clock));
        Phone& p = *phones.back();
        settle();
        if (!lines.isEmpty()) {
            p.send(lines);
            settle(1);
        }
        p.take();
        rig().takeWire();
        return p;
    }
    // What the phone is sent back for `lines`.
    QStringList say(Phone& p, const QString& lines)
    {
        p.send(lines);
        settle();
        return p.take();
    }
    // Lets the sockets, the program and the station run for a while of the
    // fake clock; the server's deadlines pass as its timer would find them.
    void settle(double seconds = 0.5)
    {
        for (int i = 0; i < seconds * 100; ++i) {
            QCoreApplication::processEvents();
            rig().run(0.01);
            server().check_deadlines();
        }
    }
    // Lokliste.dat as the program finds it at start.
    void load_list(const QByteArray& content)
    {
        QFile f(rig().dir.filePath("Lokliste.dat"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
        f.close();
        rig().core->locoList.load();
    }

    std::unique_ptr<StationRig> station;
    std::vector<std::unique_ptr<Phone>> phones;
    QStringList logs;
};

QTEST_GUILESS_MAIN(TestWiThrottle)
#include "tst_withrottle.moc"
