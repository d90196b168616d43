// LNCV programming: the request bytes, which answers count, the write
// codes, time-outs and refused fields.

#include "programming/lncv.h"
#include "sim/lncv_modules.h"
#include "support/rig.h"

#include <QtTest>

namespace {
using Action = std::function<void(Rig&, LncvProg&)>;

// Echo of the request, then the module's long acknowledge (-1: none).
void acknowledge(Rig& rig, int code)
{
    rig.tick();
    rig.echo();
    if (code >= 0)
        rig.send({0xB4, 0x6D, code});
    rig.tick();
}
} // namespace

Q_DECLARE_METATYPE(Action)

class TestLncv : public QObject {
    Q_OBJECT
  private slots:
    void requestBytes_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("bytes5to13");
        QTest::addColumn<QString>("box");
        const auto row = [](const char* name, const QString& bytes, const QString& box,
                            const Action& action) {
            QTest::newRow(name) << action << bytes << box;
        };
        using L = LncvProg;
        // Article 1234 = 0x04D2: its bit 7 travels in bit 0 of byte 6.
        row("start 12345, module 1: article 1234", "21 41 52 04 00 00 01 00 00", "",
            [](Rig&, L& l) { l.start("12345", "1"); });
        row("12355 goes as 1236", "21 41 54 04 00 00 01 00 00", "",
            [](Rig&, L& l) { l.start("12355", "1"); });
        row("end after a start carries the module found", "21 01 52 04 00 00 03 00 40", "",
            [](Rig& r, L& l) {
                l.start("12340", "1");
                r.echo();
                r.sendRaw(sim::LncvModules::answer(1234, 0, 3));
                l.end();
            });
        row("write 200 to LNCV 1000", "20 15 52 04 68 03 48 00 00", "",
            [](Rig&, L& l) { l.write("12340", "1000", "200"); });
        row("read after a write carries its value", "21 01 52 04 01 00 2C 01 00", "",
            [](Rig& r, L& l) {
                l.write("12340", "1", "300");
                acknowledge(r, 0x7F);
                l.read("12340", "1");
            });
        row("read after an unanswered one carries -1", "21 31 52 04 03 00 7F 7F 00",
            "Keine Antwort auf LNCV-Lesen erhalten!", [](Rig& r, L& l) {
                l.read("12340", "3");
                acknowledge(r, -1);
                r.run(1.1);
                l.read("12340", "3");
            });
        // A text that is no number in range is refused with a message, never sent as 0.
        const QString article = "Bitte eine Artikelnummer von 0 bis 655354 eingeben!";
        row("no article refused", "", article, [](Rig&, L& l) { l.start("", "1"); });
        row("article 655355 refused", "", article, [](Rig&, L& l) { l.start("655355", "1"); });
        row("module 65536 refused", "", "Bitte eine Modul Adresse von 0 bis 65535 eingeben!",
            [](Rig&, L& l) { l.start("12340", "65536"); });
        row("LNCV 1a refused", "", "Bitte eine LNCV-Nummer von 0 bis 65535 eingeben!",
            [](Rig&, L& l) { l.read("12340", "1a"); });
        // A read is answered by a peer message: any acknowledge is a refusal.
        row("read acknowledged", "21 01 52 04 05 00 00 00 00", "Fehler: LNCV lesen",
            [](Rig& r, L& l) {
                l.read("12340", "5");
                r.echo();
                r.send({0xB4, 0x6D, 0x7F});
            });
        row("value 65536 refused", "", "Bitte einen LNCV-Wert von 0 bis 65535 eingeben!",
            [](Rig&, L& l) { l.write("12340", "1", "65536"); });
    }
    void requestBytes()
    {
        QFETCH(Action, action);
        QFETCH(QString, bytes5to13);
        QFETCH(QString, box);
        Rig rig;
        rig.connect();
        action(rig, rig.core->lncv);
        rig.tick(); // the program's last 15-byte request, none for ""
        const QString sent = bytes5to13.isEmpty() ? "" : wire_hex("ED 0F 01 05 00 " + bytes5to13);
        QCOMPARE(rig.takeWire().right(15 * 3 - 1), sent);
        QCOMPARE(rig.texts(), box.isEmpty() ? QStringList() : QStringList{box});
    }

    // How a job ends: by the module's acknowledge code or by the time-out.
    void jobEndings_data()
    {
        QTest::addColumn<bool>("write");
        QTest::addColumn<int>("code"); // -1: no acknowledge
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("code 0") << true << 0 << 0.0 << "LNCV-Schreiben: fehlerhaft";
        QTest::newRow("code 1") << true << 1 << 0.0 << "LNCV-Schreiben: LNCV nicht vorhanden";
        QTest::newRow("code 2") << true << 2 << 0.0 << "LNCV-Schreiben: LNCV schreibgeschützt";
        QTest::newRow("code 3") << true << 3 << 0.0 << "LNCV-Schreiben: Wert nicht gültig";
        QTest::newRow("code 7F: written") << true << 0x7F << 0.0 << "";
        QTest::newRow("write waits 1.99 s") << true << -1 << 1.99 << "-";
        QTest::newRow("write, 2.01 s")
            << true << -1 << 2.01 << "Keine Antwort auf LNCV-Schreiben erhalten!";
        QTest::newRow("read waits 0.99 s") << false << -1 << 0.99 << "-";
        QTest::newRow("read, 1.01 s")
            << false << -1 << 1.01 << "Keine Antwort auf LNCV-Lesen erhalten!";
    }
    void jobEndings()
    {
        QFETCH(bool, write);
        QFETCH(int, code);
        QFETCH(double, seconds);
        QFETCH(QString, text); // "-": still waiting
        Rig rig;
        rig.connect();
        LncvProg& l = rig.core->lncv;
        write ? l.write("12340", "1", "5") : l.read("12340", "1");
        acknowledge(rig, code);
        rig.clock.advance(seconds);
        rig.tick(2);
        QCOMPARE(rig.texts().join(""), text == "-" ? "" : text);
        QCOMPARE(rig.core->req.idle(), text != "-");
    }

    // Other articles and devices answer too; any module of the article asked
    // ends a start, so a module is found by its article alone.
    void onlyTheArticleAskedAnswers()
    {
        Rig rig;
        rig.connect();
        LncvProg& l = rig.core->lncv;
        QSignalSpy started(&l, &LncvProg::programming_started);
        l.start("12340", "1");
        rig.tick();
        rig.echo();
        rig.sendRaw(sim::LncvModules::answer(1235, 0, 1)); // another article
        rig.sendRaw(sim::LncvModules::answer(1234, 1, 1)); // another LNCV
        rig.tick();
        QVERIFY(started.isEmpty());
        rig.sendRaw(sim::LncvModules::answer(1234, 0, 2)); // the module at address 2
        rig.sendRaw(sim::LncvModules::answer(1234, 0, 3)); // a second one: too late
        rig.tick();
        QCOMPARE(started, QList<QVariantList>{{2}});
        QCOMPARE(l.LncvModAdr, 2);
        QVERIFY(rig.core->req.idle());
    }
};

QTEST_GUILESS_MAIN(TestLncv)
#include "tst_lncv.moc"
