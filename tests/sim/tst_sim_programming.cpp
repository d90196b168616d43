// The programming track's replies in slot 124 and the LNCV modules' answers.

#include "sim_bench.h"

#include <QtTest>

namespace {
const QString Enter = "E5 07 01 5A 56 41", Leave = "E5 07 01 5A 56 40";

// The 31-byte request from its bytes 5..10 (command bits, CV, value).
QString prog(const QString& bytes5to10)
{
    return "ED 1F 01 5A 56 " + bytes5to10 + " 00 00 00 00 10" + QString(" 00").repeated(14);
}

QString reply(const QString& bytes3to12)
{
    return "E7 0E 7C " + bytes3to12;
}

// LNCV request for article 1234 (0x04D2, whose bit 7 travels in byte 6).
QString lncvReq(const QString& bytes5to13)
{
    return "ED 0F 01 05 00 " + bytes5to13;
}

const QString Start = lncvReq("21 41 52 04 00 00 01 00 00");
const QString End = lncvReq("21 01 52 04 00 00 01 00 40");
QString readLncv(int nr)
{
    return lncvReq(QString::asprintf("21 01 52 04 %02X 00 00 00 00", nr));
}
} // namespace

class TestSimProgramming : public QObject {
    Q_OBJECT
  private slots:
    void programmingTrack_data();
    void programmingTrack();
    void manufacturingDataReadable();
    void replyTakesProgrammingTime();
    void silentTrackNeverAnswers();
    void lncv_data();
    void lncv();
    void pultrixTakesItsLoco();
};

void TestSimProgramming::programmingTrack_data()
{
    QTest::addColumn<bool>("decoder");
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("request");
    QTest::addColumn<QString>("answer");

    // Track status 0F: power on, programming track busy.
    QTest::newRow("read CV 1") << true << QStringList{Enter} << prog("71 72 01 00 00 70")
                               << reply("28 00 00 00 0F 00 01 03 00 00");
    QTest::newRow("read CV 200") << true << QStringList{Enter} << prog("73 72 48 00 00 70")
                                 << reply("28 00 00 00 0F 01 48 11 00 00");
    QTest::newRow("read CV 300") << true << QStringList{Enter} << prog("71 72 2C 01 00 70")
                                 << reply("28 00 00 00 0F 10 2C 63 00 00");
    QTest::newRow("value 255 via CVH") << true << QStringList{Enter} << prog("71 72 05 00 00 70")
                                       << reply("28 00 00 00 0F 02 05 7F 00 00");
    QTest::newRow("CV the decoder lacks") << true << QStringList{Enter} << prog("71 72 3C 00 00 70")
                                          << reply("28 02 00 00 0F 00 3C 00 00 00");
    QTest::newRow("no loco") << false << QStringList{Enter} << prog("71 72 01 00 00 70")
                             << reply("28 04 00 00 0F 00 01 00 00 00");
    QTest::newRow("write 200 to CV 3") << true << QStringList{Enter} << prog("79 71 03 00 48 70")
                                       << reply("68 00 00 00 0F 02 03 48 00 00");
    QTest::newRow("written value read back")
        << true << QStringList{Enter, prog("79 71 03 00 48 70")} << prog("71 72 03 00 00 70")
        << reply("28 00 00 00 0F 02 03 48 00 00");
    QTest::newRow("read-only CV 8") << true << QStringList{Enter} << prog("71 71 08 00 01 70")
                                    << reply("68 02 00 00 0F 00 08 00 00 00");
    QTest::newRow("not in programming mode")
        << true << QStringList{} << prog("71 72 01 00 00 70") << "";
    QTest::newRow("after leaving")
        << true << QStringList{Enter, Leave} << prog("71 72 01 00 00 70") << "";
    QTest::newRow("enter has no answer") << true << QStringList{} << Enter << "";
}

void TestSimProgramming::programmingTrack()
{
    QFETCH(bool, decoder);
    QFETCH(QStringList, before);
    QFETCH(QString, request);
    QFETCH(QString, answer);
    SimBench b;
    if (decoder) {
        auto d = sim::Decoder::standard(3);
        d.cvs[200] = 17;
        d.cvs[300] = 99;
        b.station->programmingTrack().setDecoder(d);
    }
    b.prepare(before);
    const QByteArray wire = b.talk(request);
    QCOMPARE(ln::hex(wire), ln::hex(framed(request) + framedAll(answer)));
    QVERIFY(checksumsOk(wire));
}

void TestSimProgramming::manufacturingDataReadable()
{
    SimBench b;
    b.station->programmingTrack().setDecoder(sim::Decoder::standard(3));
    b.prepare({Enter});
    for (int cv = 261; cv <= 272; ++cv) {
        const QString request = prog(QString::asprintf("71 72 %02X 01 00 70", cv & 0x7F));
        const ln::Msg r(b.talk(request).mid(31));
        QCOMPARE(r[2], uint8_t(0x7C));
        QCOMPARE(r[4], uint8_t(sim::ProgOk));
    }
}

void TestSimProgramming::replyTakesProgrammingTime()
{
    SimBench b; // 5 ms answer delay + 100 ms on the track
    b.prepare({Enter});
    b.ports.a.write(framed(prog("71 72 01 00 00 70")));
    QCOMPARE(b.run(0.1).size(), 31); // only the echo
    QCOMPARE(b.run(0.01).size(), 14);
}

void TestSimProgramming::silentTrackNeverAnswers()
{
    sim::StationOptions options;
    options.programmingSilent = true;
    SimBench b(options);
    b.station->programmingTrack().setDecoder(sim::Decoder::standard(3));
    b.prepare({Enter});
    QCOMPARE(b.talk(prog("71 72 01 00 00 70"), 6.0).size(), 31); // only the echo
}

void TestSimProgramming::lncv_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("request");
    QTest::addColumn<QString>("answer");

    const QString answer = "E5 0F 05 00 00 1F 01 52 04 %1 00";
    QTest::newRow("start") << QStringList{} << Start << answer.arg("00 00 01 00");
    QTest::newRow("start, other address")
        << QStringList{} << lncvReq("21 41 52 04 00 00 02 00 00") << "";
    QTest::newRow("start, other article")
        << QStringList{} << lncvReq("21 41 53 04 00 00 01 00 00") << "";
    QTest::newRow("read before start") << QStringList{} << readLncv(1) << "";
    QTest::newRow("read") << QStringList{Start} << readLncv(1) << answer.arg("01 00 05 00");
    QTest::newRow("read, no such LNCV") << QStringList{Start} << readLncv(9) << "B4 6D 01";
    QTest::newRow("write") << QStringList{Start} << lncvReq("20 01 52 04 01 00 0A 00 00")
                           << "B4 6D 7F";
    QTest::newRow("write, read-only")
        << QStringList{Start} << lncvReq("20 01 52 04 07 00 01 00 00") << "B4 6D 02";
    QTest::newRow("write, invalid value")
        << QStringList{Start} << lncvReq("20 11 52 04 01 00 38 0B 00") << "B4 6D 03";
    QTest::newRow("write, no such LNCV")
        << QStringList{Start} << lncvReq("20 01 52 04 09 00 01 00 00") << "B4 6D 01";
    QTest::newRow("written value read back")
        << QStringList{Start, lncvReq("20 01 52 04 01 00 0A 00 00")} << readLncv(1)
        << answer.arg("01 00 0A 00");
    QTest::newRow("end has no answer") << QStringList{Start} << End << "";
    QTest::newRow("read after end") << QStringList{Start, End} << readLncv(1) << "";
    QTest::newRow("new module address")
        << QStringList{Start, lncvReq("20 01 52 04 00 00 07 00 00"), End}
        << lncvReq("21 41 52 04 00 00 07 00 00") << answer.arg("00 00 07 00");
}

void TestSimProgramming::lncv()
{
    QFETCH(QStringList, before);
    QFETCH(QString, request);
    QFETCH(QString, answer);
    SimBench b;
    sim::LncvModule m = sim::LncvModule::make(1234, 1);
    m.lncvs[1] = {5, 1, 2048};
    m.lncvs[7] = {3, 0, 255, true};
    b.station->lncvModules().add(m);
    b.prepare(before);
    const QByteArray wire = b.talk(request);
    QCOMPARE(ln::hex(wire), ln::hex(framed(request) + framedAll(answer)));
    QVERIFY(checksumsOk(wire));
}

void TestSimProgramming::pultrixTakesItsLoco()
{
    SimBench b;
    sim::LncvModule px = sim::LncvModule::make(sim::PultrixArticle, 5);
    px.lncvs[sim::PultrixLocoLncv] = {0, 0, 10000};
    b.station->lncvModules().add(px);
    QVERIFY(b.station->announcePultrix(5));
    b.run(0.1);
    // The program writes loco 78 into LNCV 10 of article 7093 (0x1BB5); the
    // device asks for the loco and its data format (DCC 28).
    const QString write = "ED 0F 01 05 00 20 01 35 1B 0A 00 4E 00 00";
    QCOMPARE(ln::hex(b.talk(write)),
             ln::hex(framed(write) +
                     framedAll("B4 6D 7F|BF 00 4E|E7 0E 01 10 4E 00 00 07 00 00 00 00 00|"
                               "ED 0F 01 5A 56 0D 00 4E 00 00 00 00 00 00|"
                               "E5 0F 01 5A 56 0B 00 4E 00 12 00 00 00 00")));
    // Having its loco, the device takes no further writes outside programming mode.
    QCOMPARE(ln::hex(b.talk(write)), ln::hex(framed(write)));
}

QTEST_GUILESS_MAIN(TestSimProgramming)
#include "tst_sim_programming.moc"
