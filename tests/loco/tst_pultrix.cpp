// Throttle-device windows: which announcements take which entry, the loco
// address a device is given, and what a bound window shows of its loco.

#include "loco/pultrix.h"
#include "sim/lncv_modules.h"
#include "support/station_rig.h"

#include <QtTest>

namespace {
// Entries in use as "device+" (address entry open) or "device-", by entry.
QString entries(const Pultrix& p)
{
    QStringList out;
    for (int w = 1; w <= Pultrix::Windows; ++w)
        if (p.PxWinTab[size_t(w)].InUse)
            out << QString::number(p.PxWinTab[size_t(w)].Dev) +
                       (p.PxWinTab[size_t(w)].EntryOpen ? "+" : "-");
    return out.join(' ');
}

// Address, speed, F0..F14 as 0/1, direction and the address entry.
QString shown_loco(const PxView& v)
{
    QString lamps;
    for (int c : v.fanz)
        lamps += c == colour::Yellow ? '1' : '0';
    return QStringList{v.ladr, v.fst, lamps, QString::number(v.dir),
                       v.entryOpen ? "open" : "closed"}
        .join(' ');
}
} // namespace

class TestPultrix : public QObject {
    Q_OBJECT
  private slots:
    // Tokens: a number announces that device; "x<w>" closes window w;
    // "k<w>=<text>" is OK in window w with that address ("k<w>": loco 78);
    // "n<v>" is LNCV 1 of a device (value v), "o<v>" LNCV 0 of another article;
    // "b<adr>" a device asks for loco adr, which gets slot 2.
    void announcementsTakeEntries_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QStringList>("texts");
        const auto row = [](const char* name, const QString& script, const QString& result,
                            const QStringList& texts = {}) {
            QTest::newRow(name) << script << result << texts;
        };
        row("same device twice", "5 5", "5+");
        row("second announcement reopens the entry", "5 k1 6 5", "5+ 6+");
        row("address 10000 taken, entry closed", "5 k1=10000", "5-");
        row("address 0 refused", "5 k1=0", "5+");
        row("address 10001 refused", "5 k1=10001", "5+");
        row("address 78x is 78", "5 k1=78x", "5-");
        row("empty address refused", "5 k1=", "5+");
        row("a device asking for a loco while its entry is open", "5 6 k2 b300", "5- 6-");
        row("two entries open: nobody can tell whose request it is", "5 6 b300", "5+ 6+");
        row("closed entry is taken first", "5 6 x1 7", "7+ 6+");
        row("closed device comes back in a free entry", "5 6 x1 6 5", "5+ 6+");
        row("other LNCVs and articles open nothing", "n5 o5", "");
        QStringList devices, taken;
        for (int d = 1; d <= 20; ++d) {
            devices << QString::number(d);
            taken << QString::number(d) + '+';
        }
        row("21st device gets no window", devices.join(' ') + " 21", taken.join(' '),
            {"Max. Anzahl von Fenstern für Pultrix Fahrregler erreicht!"});
    }
    void announcementsTakeEntries()
    {
        QFETCH(QString, script);
        QFETCH(QString, result);
        QFETCH(QStringList, texts);
        Rig rig;
        rig.connect();
        Pultrix& p = rig.core->pultrix;
        for (const QString& t : script.split(' ')) {
            const int n = t.mid(1).section('=', 0, 0).toInt();
            if (t[0] == 'x')
                p.f70930_end(n);
            else if (t[0] == 'k')
                p.ok_clicked(n, t.contains('=') ? t.section('=', 1) : "78");
            else if (t[0] == 'n')
                rig.sendRaw(sim::LncvModules::answer(Pultrix::Article, 1, n));
            else if (t[0] == 'o')
                rig.sendRaw(sim::LncvModules::answer(1234, 0, n));
            else if (t[0] == 'b')
                rig.sendRaw(
                    ln::frame({0xBF, n >> 7, n & 0x7F}) +
                    ln::frame({0xE7, 0x0E, 2, 0x33, n & 0x7F, 0, 0, 7, 0, n >> 7, 0, 0, 0}));
            else
                rig.sendRaw(sim::LncvModules::answer(Pultrix::Article, 0, t.toInt()));
        }
        QCOMPARE(entries(p), result);
        QCOMPARE(rig.texts(), texts);
    }

    void boundWindowShowsItsLoco_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QString>("shown"); // speed, F0..F14, direction
        const auto row = [](const char* name, QByteArray message, const char* shown) {
            QTest::newRow(name) << message << QString(shown);
        };
        row("speed 50", ln::frame({0xA0, 2, 50}), "11 000000000000000 0");
        row("reverse, F0 F1 F4", ln::frame({0xA1, 2, 0x39}), "0 110010000000000 1");
        row("F5..F8", ln::frame({0xA2, 2, 0x0F}), "0 000001111000000 0");
        row("F9..F12", ln::frame({0xA3, 2, 0x0F}), "0 000000000111100 0");
        row("F13..F19: F13 F14 only", ln::frame({0xD4, 0x20, 2, 8, 0x7F}), "0 000000000000011 0");
        row("F20, F28 not shown", ln::frame({0xD4, 0x20, 2, 5, 0x60}), "0 000000000000000 0");
        row("other slot", ln::frame({0xA0, 3, 50}), "0 000000000000000 0");
    }
    void boundWindowShowsItsLoco()
    {
        QFETCH(QByteArray, message);
        QFETCH(QString, shown);
        Rig rig; // window 1 of device 5 given loco 78, in slot 2 with 28 steps
        rig.connect();
        rig.sendRaw(sim::LncvModules::answer(Pultrix::Article, 0, 5));
        rig.core->pultrix.ok_clicked(1, "78");
        rig.send({0xE7, 0x0E, 0x02, 0x33, 78, 0, 0, 0x07, 0, 0, 0, 0, 0});
        rig.sendRaw(peer_message(0x0B, {78, 0, 0x12, 0, 0, 0, 0}));
        rig.tick();
        QSignalSpy shows(&rig.core->pultrix, &Pultrix::px_show);
        rig.sendRaw(message);
        rig.tick();
        QCOMPARE(shown_loco(rig.core->pultrix.view(1)), "78 " + shown + " closed");
        QCOMPARE(shows.isEmpty(), message[1] == 3);
    }

    // The whole way with the virtual station: LNCV 0 of device 5 read by
    // the programming window opens its window; announced, the device is
    // given loco 78 and its window follows what the device does. Its window
    // closed, the entry serves the next device without showing loco 78.
    void deviceOfTheVirtualStationDrivesItsLoco()
    {
        StationRig s;
        sim::LncvModule px = sim::LncvModule::make(sim::PultrixArticle, 5);
        px.lncvs[sim::PultrixLocoLncv] = {0, 0, 10000};
        s.station.lncvModules().add(px);
        Pultrix& p = s.rig.core->pultrix;
        QSignalSpy opened(&p, &Pultrix::window_opened);
        s.rig.core->lncv.start("70930", "5"); // reads LNCV 0
        s.rig.run(0.2);
        s.rig.core->lncv.end();
        s.rig.run(0.2);
        QCOMPARE(opened.size(), 1);
        QVERIFY(s.station.announcePultrix(5));
        s.rig.run(0.2);
        // The program's own loco request is no device's.
        s.rig.core->throttle.address_key(0, "3", true);
        s.rig.run(0.3);
        QCOMPARE(entries(p), "5+");
        QVERIFY(p.ok_clicked(1, "78"));
        s.rig.run(0.3);
        s.station.throttleSpeed(78, 50);
        s.station.throttleDirf(78, 0x30);
        s.rig.run(0.3);
        QCOMPARE(shown_loco(p.view(1)), "78 11 100000000000000 1 closed");
        // A panel given the loco without Enter switches F1 on that loco as it runs.
        s.rig.core->throttle.address_key(1, "78", false);
        s.rig.core->throttle.FCmd_Click(29 + 1);
        s.rig.run(0.3);
        QCOMPARE(shown_loco(p.view(1)), "78 11 110000000000000 1 closed");
        QVERIFY(s.rig.texts().isEmpty());
        p.f70930_end(1);
        s.rig.sendRaw(sim::LncvModules::answer(Pultrix::Article, 0, 6));
        QSignalSpy shown(&p, &Pultrix::px_show);
        s.station.throttleSpeed(78, 60);
        s.rig.run(0.3);
        QVERIFY(shown.isEmpty());
        QVERIFY(p.view(1).fst.isNull());
    }
};

QTEST_GUILESS_MAIN(TestPultrix)
#include "tst_pultrix.moc"
