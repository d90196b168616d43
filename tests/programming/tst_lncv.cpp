// LNCV programming: the request bytes, which answers count, the write
// codes, time-outs and refused fields, and a module of the virtual station.

#include "programming/lncv.h"
#include "sim/lncv_modules.h"
#include "support/station_rig.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
using Action = std::function<void(Rig&, LncvProg&)>;

// The program's last 15-byte request, from its bytes 5..13.
QString request(const QString& bytes5to13)
{
    return ln::hex(ln::frame(QByteArray::fromHex(("ED 0F 01 05 00 " + bytes5to13).toLatin1())));
}

QString lastRequest(Rig& rig)
{
    rig.tick();
    return rig.takeWire().right(15 * 3 - 1);
}

// Echo of the request, then the module's long acknowledge.
void acknowledge(Rig& rig, int code)
{
    rig.tick();
    rig.echo();
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
        // Article 1234 = 0x04D2: its bit 7 travels in bit 0 of byte 6.
        QTest::newRow("start 12340, module 1")
            << Action([](Rig&, LncvProg& l) { l.start("12340", "1"); })
            << "21 41 52 04 00 00 01 00 00";
        QTest::newRow("12345 goes as 1234")
            << Action([](Rig&, LncvProg& l) { l.start("12345", "1"); })
            << "21 41 52 04 00 00 01 00 00";
        QTest::newRow("12355 goes as 1236")
            << Action([](Rig&, LncvProg& l) { l.start("12355", "1"); })
            << "21 41 54 04 00 00 01 00 00";
        QTest::newRow("end") << Action([](Rig&, LncvProg& l) { l.LncvArtNr = 1234, l.end(); })
                             << "21 01 52 04 00 00 00 00 40";
        QTest::newRow("write 200 to LNCV 1000")
            << Action([](Rig&, LncvProg& l) { l.write("12340", "1000", "200"); })
            << "20 15 52 04 68 03 48 00 00";
        QTest::newRow("read after a write carries its value") << Action([](Rig& r, LncvProg& l) {
            l.write("12340", "1", "300");
            acknowledge(r, 0x7F);
            l.read("12340", "1");
        }) << "21 01 52 04 01 00 2C 01 00";
        QTest::newRow("read after an unanswered one carries -1") << Action([](Rig& r, LncvProg& l) {
            l.read("12340", "3");
            r.tick();
            r.echo();
            r.run(1.1);
            l.read("12340", "3");
        }) << "21 31 52 04 03 00 7F 7F 00";
    }
    void requestBytes()
    {
        QFETCH(Action, action);
        QFETCH(QString, bytes5to13);
        Rig rig;
        action(rig, rig.core->lncv);
        QCOMPARE(lastRequest(rig), request(bytes5to13));
    }

    void refusedFieldsSendNothing_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("message");
        const QString art = "Bitte eine Artikelnummer von 0 bis 655354 eingeben!";
        QTest::newRow("no article") << Action([](Rig&, LncvProg& l) { l.start("", "1"); }) << art;
        QTest::newRow("article 655355")
            << Action([](Rig&, LncvProg& l) { l.start("655355", "1"); }) << art;
        QTest::newRow("module -") << Action([](Rig&, LncvProg& l) { l.start("12340", "-"); })
                                  << "Bitte eine Modul Adresse von 0 bis 65535 eingeben!";
        QTest::newRow("LNCV 1a") << Action([](Rig&, LncvProg& l) { l.read("12340", "1a"); })
                                 << "Bitte eine LNCV-Nummer von 0 bis 65535 eingeben!";
        QTest::newRow("value 65536")
            << Action([](Rig&, LncvProg& l) { l.write("12340", "1", "65536"); })
            << "Bitte einen LNCV-Wert von 0 bis 65535 eingeben!";
    }
    void refusedFieldsSendNothing()
    {
        QFETCH(Action, action);
        QFETCH(QString, message);
        Rig rig;
        action(rig, rig.core->lncv);
        rig.tick();
        QCOMPARE(rig.takeWire(), "");
        QCOMPARE(rig.texts(), QStringList{message});
    }

    void writeCodes_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("0") << 0 << QStringList{"LNCV-Schreiben: fehlerhaft"};
        QTest::newRow("1") << 1 << QStringList{"LNCV-Schreiben: LNCV nicht vorhanden"};
        QTest::newRow("2") << 2 << QStringList{"LNCV-Schreiben: LNCV schreibgeschützt"};
        QTest::newRow("3") << 3 << QStringList{"LNCV-Schreiben: Wert nicht gültig"};
        QTest::newRow("7F written") << 0x7F << QStringList{};
    }
    void writeCodes()
    {
        QFETCH(int, code);
        QFETCH(QStringList, texts);
        Rig rig;
        rig.core->lncv.write("12340", "1", "5");
        acknowledge(rig, code);
        rig.tick();
        QCOMPARE(rig.texts(), texts);
        QVERIFY(rig.core->req.idle());
    }

    void timeouts_data()
    {
        QTest::addColumn<bool>("write");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QStringList>("texts");
        const QString read = "Keine Antwort auf LNCV-Lesen erhalten!";
        QTest::newRow("read, 0.99 s") << false << 0.99 << QStringList{};
        QTest::newRow("read, 1.01 s") << false << 1.01 << QStringList{read};
        QTest::newRow("write, 1.99 s") << true << 1.99 << QStringList{};
        QTest::newRow("write, 2.01 s")
            << true << 2.01 << QStringList{"Keine Antwort auf LNCV-Schreiben erhalten!"};
    }
    void timeouts()
    {
        QFETCH(bool, write);
        QFETCH(double, seconds);
        QFETCH(QStringList, texts);
        Rig rig;
        LncvProg& l = rig.core->lncv;
        write ? l.write("12340", "1", "5") : l.read("12340", "1");
        rig.tick();
        rig.echo();
        rig.clock.advance(seconds);
        rig.tick();
        QCOMPARE(rig.texts(), texts);
        QCOMPARE(rig.core->req.idle(), !texts.isEmpty());
    }

    // Other modules and devices answer too; only the module asked ends a start.
    void onlyTheModuleAskedAnswers()
    {
        Rig rig;
        LncvProg& l = rig.core->lncv;
        QSignalSpy started(&l, &LncvProg::programming_started);
        l.start("12340", "1");
        rig.tick();
        rig.echo();
        rig.sendRaw(sim::LncvModules::answer(1235, 0, 1)); // another article
        rig.sendRaw(sim::LncvModules::answer(1234, 0, 2)); // another module
        rig.sendRaw(sim::LncvModules::answer(1234, 1, 1)); // another LNCV
        rig.tick();
        QVERIFY(started.isEmpty());
        rig.sendRaw(sim::LncvModules::answer(1234, 0, 1));
        rig.tick();
        QCOMPARE(started.size(), 1);
        QCOMPARE(l.LncvArtAns, 1234);
    }

    void programsAModuleOfTheVirtualStation()
    {
        StationRig s;
        sim::LncvModule m = sim::LncvModule::make(1234, 1);
        m.lncvs[1] = {5, 1, 2048};
        m.lncvs[7] = {3, 0, 255, true};
        s.station.lncvModules().add(m);
        LncvProg& l = s.rig.core->lncv;
        QSignalSpy shown(&l, &LncvProg::answer_shown);

        l.start("12340", "1");
        s.rig.run(0.2);
        QCOMPARE(shown.last(), (QVariantList{0, 1}));
        l.read("12340", "0"); // LNCV 0 is the module address
        s.rig.run(0.2);
        QCOMPARE(shown.last(), (QVariantList{0, 1}));
        l.write("12340", "1", "10");
        s.rig.run(0.2);
        l.read("12340", "1");
        s.rig.run(0.2);
        QCOMPARE(shown.last(), (QVariantList{1, 10}));
        l.write("12340", "7", "4");
        s.rig.run(0.2);
        l.read("12340", "9");
        s.rig.run(1.2);
        QCOMPARE(s.rig.texts(),
                 (QStringList{"LNCV-Schreiben: LNCV schreibgeschützt", "Fehler: LNCV lesen",
                              "Keine Antwort auf LNCV-Lesen erhalten!"}));
        QCOMPARE(shown.size(), 3);
    }
};

QTEST_GUILESS_MAIN(TestLncv)
#include "tst_lncv.moc"
