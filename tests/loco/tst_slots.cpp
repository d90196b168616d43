#include "sim/sim_bench.h"
#include "support/station_rig.h"

#include <QtTest>

namespace {
QByteArray slotData(int slot, int adr, int spd = 0, int dirf = 0, int snd = 0, int stat = 0x33,
                    int trk = 0x07)
{
    return ln::frame({0xE7, 0x0E, slot, stat, adr & 0x7F, spd, dirf, trk, 0, adr >> 7, snd, 0, 0});
}

QByteArray extSlotData(int slot, int adr, int b9, int b10, int b11, int b12, int b13, int b14)
{
    return ln::frame({0xE6, 0x15, 0x00, slot, 0x33, adr & 0x7F, adr >> 7, 0, 0x20, b9,
                      b10,  b11,  b12,  b13,  b14,  0x01,       0,        0, 0,    0});
}

// The fields of a slot that are not 0, the address in decimal, the rest in
// hex: "Adr=300 Spd=20 Ext7=75".
QString fields(const SlotRec& r)
{
    QStringList out;
    const auto add = [&](const QString& name, int v, int base = 16) {
        if (v)
            out << name + '=' + QString::number(v, base).toUpper();
    };
    add("Adr", r.Adr, 10);
    add("Stat", r.Stat);
    add("Spd", r.Spd);
    add("Dirf", r.Dirf);
    add("Snd", r.Snd);
    for (size_t k = 0; k < r.Ext.size(); ++k)
        add(QString("Ext%1").arg(k), r.Ext[k]);
    return out.join(' ');
}

// One driver's script, the wire it put out, the signals it got, the boxes shown.
struct DriveRow {
    int driver; // 0: panel 0; 2: a network throttle
    QString script, wire, got;
    QStringList texts;
};

struct RequestRow {
    int panel, stationType, address;
    QString wire;
    bool slotArrives = false;
    double wait = 0; // 0: only the request
    QString text = {};
};
} // namespace
Q_DECLARE_METATYPE(DriveRow)
Q_DECLARE_METATYPE(RequestRow)

class TestSlots : public QObject {
    Q_OBJECT
  private slots:
    // Messages from the bus, then the fields of one slot. Panel 1 was blanked
    // by typing (it holds 0): no slot binds it, not even a free one.
    void handlers_data()
    {
        QTest::addColumn<QByteArrayList>("messages");
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("fields");
        const auto row = [](const char* name, const QByteArrayList& messages, int slot,
                            const char* fields) {
            QTest::newRow(name) << messages << slot << QString(fields);
        };
        const auto f = [](std::initializer_list<int> bytes) { return ln::frame(bytes); };
        row("E7", {slotData(5, 300, 0x20, 0x35, 0x06, 0x13)}, 5,
            "Adr=300 Stat=13 Spd=20 Dirf=35 Snd=6");
        // Slot 0 holds the station's data as it came; no loco slot changes.
        row("E7 slot 0", {f({0xE7, 0x0E, 0, 0, 0, 3, 0, 6, 0, 0, 0, 0x5A, 0x56})}, 0,
            "Ext0=E7 Ext1=E Ext5=3 Ext7=6 Ext11=5A Ext12=56 Ext13=1F");
        row("E7 wrong length ignored", {f({0xE7, 0x0D, 5, 0, 3, 9, 0, 7, 0, 0, 0, 0})}, 5, "");
        row("A0 speed", {f({0xA0, 5, 0x40})}, 5, "Spd=40");
        row("A1 dirf", {f({0xA1, 5, 0x31})}, 5, "Dirf=31");
        row("A2 keeps F9..F11", {f({0xD4, 0x20, 5, 7, 0x70}), f({0xA2, 5, 0x05})}, 5,
            "Snd=5 Ext7=75");
        row("A3 F12 to Ext5 bit 4, F9..F11 to Ext7", {f({0xA2, 5, 0x0A}), f({0xA3, 5, 0x0F})}, 5,
            "Snd=A Ext5=10 Ext7=7A");
        // F9..F12 by function groups end in the same bits as by 0xA3.
        row("groups 5 and 8", {f({0xD4, 0x20, 5, 5, 0x10}), f({0xD4, 0x20, 5, 8, 0x41})}, 5,
            "Ext5=10 Ext8=41");
        row("group 7 F9..F11", {f({0xA2, 5, 0x0A}), f({0xD4, 0x20, 5, 7, 0x7A})}, 5,
            "Snd=A Ext7=7A");
        row("groups 4 and 13 ignored", {f({0xD4, 0x20, 5, 4, 0x41}), f({0xD4, 0x20, 5, 13, 0x41})},
            5, "");
        row("D4 other byte 1", {f({0xD4, 0x21, 5, 8, 0x41})}, 5, "");
        const QByteArray e6 = extSlotData(7, 1234, 0x10, 0x40 | 0x20, 0x15, 0x22, 0x33, 0x05);
        row("E6, Ext10 bit 7 set", {e6}, 7,
            "Adr=1234 Stat=33 Spd=20 Dirf=60 Snd=5 Ext5=10 Ext6=60 Ext7=15 Ext8=22 Ext9=33 "
            "Ext10=85 Ext11=1");
        row("E6 Ext10 bit 7 clear", {extSlotData(7, 1, 0, 0x20, 0, 0, 0, 0x05)}, 7,
            "Adr=1 Stat=33 Spd=20 Dirf=20 Ext6=20 Ext10=5 Ext11=1");
        QByteArray e6Other = e6;
        e6Other[2] = 1;
        row("E6 byte 2 not 0 ignored", {ln::frame(e6Other.chopped(1))}, 7, "");
        const auto toggle = [](int hi, int slot) {
            return ln::frame({0xED, 0x0F, 0x01, 0x5A, 0x56, 0x15, hi, slot, 0x0F, 0, 0, 0, 0, 0});
        };
        row("direction toggle", {f({0xA1, 5, 0x11}), toggle(0, 5)}, 5, "Dirf=31");
        row("toggle twice", {toggle(0, 5), toggle(0, 5)}, 5, "");
        row("toggle slot above 127", {toggle(1, 2)}, 2, "");
        // A slot no panel shows changes the table only, also a free one.
        row("free slot", {slotData(12, 0), f({0xA0, 20, 0x50})}, 20, "Spd=50");
    }
    void handlers()
    {
        QFETCH(QByteArrayList, messages);
        QFETCH(int, slot);
        QFETCH(QString, fields);
        Rig rig;
        Slots& s = rig.core->loco;
        rig.core->throttle.address_key(1, "", false);
        QSignalSpy shows(&rig.core->drivers, &Drivers::changed);
        for (const QByteArray& m : messages)
            rig.sendRaw(m);
        rig.tick();
        QCOMPARE(::fields(s.SlotData[size_t(slot)]), fields);
        QCOMPARE(s.SlotData[Slots::Blank].Adr, 0);
        QCOMPARE(s.ThrSlot[1], -1);
        QCOMPARE(shows.size(), 0);
    }

    // A panel's loco request by station type and address; then, for the rows
    // that wait, the 2 s for the slot or for the format (a box just after).
    void locoRequest_data()
    {
        QTest::addColumn<RequestRow>("row");
        const auto row = [](const char* name, RequestRow r) { QTest::newRow(name) << r; };
        row("unknown station", {1, 99, 3, "BF 00 03 43"});
        row("type 3", {1, 3, 3, "BE 00 03 42"});
        row("address 200", {1, 1, 200, "BF 01 48 09"});
        row("address 9999", {1, 2, 9999, "BE 4E 0F 00"});
        const QString noSlot = "Keine Antwort auf Lokanfrage erhalten!";
        const QString noFormat = "Keine Antwort auf LokCfg-Read erhalten!";
        row("no slot, 2.0 s", {0, 1, 3, "BF 00 03 43", false, 2.0});
        row("no slot, 2.02 s", {0, 1, 3, "BF 00 03 43", false, 2.02, noSlot});
        row("no format, 2.0 s", {0, 1, 3, "BF 00 03 43", true, 2.0});
        row("no format, 2.02 s", {0, 1, 3, "BF 00 03 43", true, 2.02, noFormat});
    }
    void locoRequest()
    {
        QFETCH(RequestRow, row);
        const auto& [panel, stationType, address, wire, slotArrives, wait, text] = row;
        Rig rig;
        rig.connect(stationType);
        QVERIFY(rig.core->drivers.acquire(panel, address));
        QCOMPARE(rig.takeWire(), wire);
        QCOMPARE(rig.core->loco.ThrSlot[size_t(panel)], -1);
        QVERIFY(rig.core->req.has(JobKind::Throttle)); // held, not ended
        if (wait == 0)
            return;
        rig.echo();
        if (slotArrives) {
            rig.sendRaw(slotData(4, 3));
            rig.tick(2);
            rig.echo();
        }
        rig.tick();
        rig.clock.advance(wait);
        rig.tick();
        QCOMPARE(rig.texts(), text.isEmpty() ? QStringList{} : QStringList{text});
        QCOMPARE(rig.core->req.has(JobKind::Throttle), text.isEmpty()); // ended with its time-out
        if (text.isEmpty())
            return;
        QCOMPARE(rig.shown[0].title, QString("Fehler"));
        // The next action asks for a loco that has no slot again, and drives one
        // whose format could not be read.
        rig.takeWire();
        rig.core->drivers.speed(panel, 0x10);
        rig.tick();
        QCOMPARE(rig.takeWire(), QString(slotArrives ? "A0 04 10 4B" : "BF 00 03 43"));
    }

    // Binding reads the format and sends nothing else; answers are told by
    // their content: other locos' slots and answers pass by.
    void bindReadsFormatThenShows()
    {
        Rig rig;
        rig.connect(2);
        Slots& s = rig.core->loco;
        QSignalSpy bound(&rig.core->drivers, &Drivers::bound);
        rig.core->drivers.acquire(0, 200);
        QCOMPARE(rig.takeWire(), QString("BE 01 48 08"));
        rig.echo();
        rig.sendRaw(slotData(6, 5) + ln::frame({0xB2, 1, 0x10}) + slotData(4, 200, 0x20, 0x20));
        rig.tick(2);
        QCOMPARE(s.ThrSlot[0], 4);
        // 200 = 128 + 72: byte 7 = 0x48 with bit 0 of the high-bit byte set.
        QCOMPARE(rig.takeWire(), QString("ED 0F 01 5A 56 0D 01 48 00 00 00 00 00 00 54"));
        rig.echo();
        rig.sendRaw(peer_message(0x0B, {200, 0, 18, 0x05, 0, 0, 0}) +
                    peer_message(0x0B, {5, 0, 19, 0x07, 0, 0, 0}));
        rig.tick(2);
        QCOMPARE(s.ThrLoco[0].FmtName, QString("DCC - 28"));
        QCOMPARE(s.SlotData[6].FmtName, QString("DCC - 128"));
        QCOMPARE(s.ThrLoco[0].Steps, 28);
        QCOMPARE(s.ThrLoco[0].Spd, 0x20);
        QCOMPARE(s.SlotData[4].FmtCode, 18);
        QCOMPARE(bound.size(), 1);
        QVERIFY(rig.core->req.idle());
        QCOMPARE(rig.takeWire(), QString());
    }

    // Loco 3 runs in reverse at 0x40 with F1, F6, F12, F13 on, in slot 1.
    // Tokens: a<adr> acquire, v<n> speed, f<n> turn over, f<n>+/- set, d/D<dir>
    // direction with/without stop, t/T turn round with/without, ~<ms>, @<d>
    // driver d; mute: the station only echoes; off/on, clear wire; w<adr> a
    // format written; dirf<v> another throttle sets loco 3's direction byte.
    void actionsApplyToReportedData_data()
    {
        QTest::addColumn<DriveRow>("row");
        const QString bind = "BE 00 03|ED 0F 01 5A 56 0D 00 03 00 00 00 00 00 00|";
        const auto row = [&](const char* name, int driver, const QString& script,
                             const QString& wire, const char* got = "bound",
                             const QStringList& texts = {}) {
            QTest::newRow(name) << DriveRow{driver, script, wire_hex(wire), got, texts};
        };
        row("bind only: nothing changes", 2, "a3", bind);
        row("emergency stop", 2, "a3 v1", bind + "A0 01 01");
        row("light: reverse and F1 kept", 2, "a3 f0", bind + "A1 01 31");
        row("F5 keeps F6", 2, "a3 f5", bind + "A2 01 03");
        row("F9 keeps group 7's F6", 2, "a3 f9", bind + "D4 20 01 07 12");
        row("F13 off", 2, "a3 f13-", bind + "D4 20 01 08 00");
        row("F14 keeps F13", 2, "a3 f14", bind + "D4 20 01 08 03");
        row("F20 keeps F12", 2, "a3 f20", bind + "D4 20 01 05 30");
        row("forward, then stop", 2, "a3 d0", bind + "A1 01 01|A0 01 00");
        row("turn round only", 2, "a3 T", bind + "A1 01 01");
        row("F1 then F2 before the first echo", 2, "a3 ~300 f1 f2", bind + "A1 01 20|A1 01 22");
        row("speeds while binding: the last one goes", 2, "a3 v20 v30 v40", bind + "A0 01 28");
        row("the stop after a direction is never replaced", 2, "a3 ~300 d1 ~10 v50",
            bind + "A1 01 21|A0 01 00|A0 01 32");
        row("failed binding drops its actions, the next binds again", 2, "mute a3 f0 ~2100 talk f1",
            "BE 00 03|" + bind + "A1 01 20", "bind_failed bound");
        row("a panel's failed binding says so", 0, "mute a3 f0 ~2100 talk f1",
            "BE 00 03|" + bind + "A1 01 20", "bind_failed bound",
            {"Keine Antwort auf Lokanfrage erhalten!"});
        row("another driver's binding first", 2, "a3 ~300 @0 a3 @2 f0", bind + bind + "A1 01 31",
            "bound bound");
        row("a format written: the loco is asked for at the next action", 0, "a3 ~300 w3 ~300 f0",
            bind + "ED 0F 01 5A 56 0C 00 03 00 52 00 00 00 00|" + bind + "A1 01 31",
            "bound bound");
        row("GO goes between two actions", 2, "a3 ~300 f1 f2 go", bind + "A1 01 20|83|A1 01 22");
        row("offline: refused, nothing queued", 2, "a3 ~300 off f0", bind, "bound refused");
        row("a new connection takes the loco as the station reports it now", 0,
            "a3 ~300 off dirf2 on ~3000 clear f0", "A1 01 12", "bound bound");
        row("disconnected while binding: bound again on the next connection", 0,
            "a3 ~15 off on ~3000 clear f0", "A1 01 31", "bound");
    }
    void actionsApplyToReportedData()
    {
        QFETCH(DriveRow, row);
        StationRig s;
        Rig& rig = s.rig;
        Drivers& drivers = rig.core->drivers;
        s.station.throttleSpeed(3, 0x40);
        s.station.throttleDirf(3, 0x21);
        s.station.throttleFunction(3, 6, true);
        rig.run(0.1);
        rig.sendRaw(framedAll("D4 20 01 05 10|D4 20 01 08 01"));
        rig.takeWire();
        QCOMPARE(drivers.add_driver(), 2);
        QStringList got;
        connect(&drivers, &Drivers::bound, [&] { got << "bound"; });
        connect(&drivers, &Drivers::bind_failed, [&] { got << "bind_failed"; });
        connect(&drivers, &Drivers::refused, [&] { got << "refused"; });
        int d = row.driver;
        for (const QString& t : row.script.split(' ')) {
            const int n = t.mid(1).remove(QRegularExpression("[+-]$")).toInt();
            if (t == "mute")
                rig.station = [&] { rig.bus.write(rig.bus.readAll()); };
            else if (t == "talk")
                rig.station = [&] { s.station.poll(); };
            else if (t.startsWith("dirf")) // another throttle, while we are away
                s.station.throttleDirf(3, t.mid(4).toInt());
            else if (t[0] == 'w')
                rig.core->lokSettings.write(n, 3); // "DCC - 28"
            else if (t == "go")
                rig.core->power.set(true);
            else if (t == "off")
                rig.core->conn.disconnect_port("1");
            else if (t == "on")
                rig.core->conn.connect_port("1");
            else if (t == "clear")
                rig.takeWire();
            else if (t[0] == '@')
                d = n;
            else if (t[0] == '~')
                rig.run(n / 1000.0);
            else if (t[0] == 'a')
                drivers.acquire(d, n);
            else if (t[0] == 'v')
                drivers.speed(d, n);
            else if (t[0] == 'f' && (t.endsWith('+') || t.endsWith('-')))
                drivers.function(d, n, t.endsWith('+'));
            else if (t[0] == 'f')
                drivers.toggle_function(d, n);
            else if (t[0] == 'd' || t[0] == 'D')
                drivers.direction(d, n, t[0] == 'd');
            else if (t[0] == 't' || t[0] == 'T')
                drivers.toggle_direction(d, t[0] == 't');
        }
        rig.run(0.5);
        QCOMPARE(rig.takeWire(), row.wire);
        QCOMPARE(got.join(QChar(32)), row.got);
        QCOMPARE(rig.texts(), row.texts);
        QVERIFY(drivers.is_bound(row.driver));
        QCOMPARE(drivers.loco(row.driver).Adr, 3);
    }
};

QTEST_GUILESS_MAIN(TestSlots)
#include "tst_slots.moc"
