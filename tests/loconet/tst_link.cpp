#include "loconet/serial_port.h"
#include "loconet/trace.h"
#include "support/rig.h"

#include <QtTest>
#include <cerrno>

namespace {
// Records every dispatched message of the given opcodes.
struct Recorder {
    QStringList seen;
    Recorder(Rig& rig, std::initializer_list<int> ops)
    {
        for (int op : ops)
            rig.core->dispatch.on(uint8_t(op),
                                  [this](const ln::Msg& m) { seen << ln::hex(m.bytes()); });
    }
};
} // namespace

struct AckRow {
    QString sent;
    QByteArray between;
    double wait;
    QByteArray ack;
    int code; // what the sender hears; -1 nothing
};
Q_DECLARE_METATYPE(AckRow)

class TestLink : public QObject {
    Q_OBJECT
  private slots:
    // Bytes as they arrive from the port; the messages dispatched at once (no
    // tick) and how many were refused for their checksum.
    void assembly_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<int>("bad");
        const QByteArray off = ln::frame({0x82}), on = ln::frame({0x83}),
                         report = ln::frame({0xB2, 5, 0x30});
        const auto row = [](const char* name, const QByteArray& bytes, const QStringList& messages,
                            int bad = 0) { QTest::newRow(name) << bytes << messages << bad; };
        row("data byte before any opcode", "\x12\x34" + off, {"82 7D"});
        row("new opcode abandons message", report.left(3) + off, {"82 7D"});
        const QByteArray slot = ln::frame({0xE7, 0x0E, 3, 0, 5, 0, 0x20, 7, 0, 0, 0, 0, 0});
        row("slot data complete after 14 bytes", slot, {ln::hex(slot)});
        row("length byte 0 ignored to next opcode", QByteArray::fromHex("E700030005") + on,
            {"83 7C"});
        row("length byte above 64 ignored", QByteArray::fromHex("E741030005") + on, {"83 7C"});
        row("length 1 never completes", QByteArray::fromHex("E701") + QByteArray(200, '\x11') + off,
            {"82 7D"});
        row("unfinished at the end of a read", report + report.left(2), {ln::hex(report)});
        QByteArray corrupt = report;
        corrupt[1] = 6;
        row("bad checksum refused", corrupt + off, {"82 7D"}, 1);
        row("busy message not dispatched", ln::frame({0x81}) + off, {"82 7D"});
        QByteArray burst;
        QStringList all;
        for (int s = 0; s < 1000; ++s) {
            burst += ln::frame({0xB2, s & 0x7F, 0x10 | (s >> 7)});
            all << ln::hex(burst.right(4));
        }
        row("1000 reports in one read", burst, all);
    }
    void assembly()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, messages);
        QFETCH(int, bad);
        Rig rig;
        Recorder rec(rig, {0x81, 0x82, 0x83, 0xB2, 0xE7});
        rig.sendRaw(bytes);
        QCOMPARE(rec.seen, messages);
        QCOMPARE(rig.core->link.LnRxBad, bad);
    }

    // What arrives after B0 13 30 went out: whether it is the echo that frees
    // the buffer; every intact message is dispatched either way.
    void echo_data()
    {
        QTest::addColumn<QByteArray>("arrives");
        QTest::addColumn<bool>("freed");
        const QByteArray sent = ln::frame({0xB0, 0x13, 0x30});
        QTest::newRow("the echo") << sent << true;
        QTest::newRow("another message") << ln::frame({0xB0, 0x13, 0x20}) << false;
        QTest::newRow("longer message, same start") << ln::frame({0xE7, 0x0E, 0x13, 0x30}) << false;
        QByteArray corrupt = sent;
        corrupt[3] = char(corrupt[3] ^ 1);
        QTest::newRow("the echo corrupted") << corrupt << false;
    }
    void echo()
    {
        QFETCH(QByteArray, arrives);
        QFETCH(bool, freed);
        Rig rig;
        Recorder rec(rig, {0xB0});
        rig.core->link.put({0xB0, 0x13, 0x30});
        rig.tick();
        rig.sendRaw(arrives);
        QCOMPARE(rig.core->link.txFree(), freed);
        QCOMPARE(rig.core->link.LnTxSent, !freed);
        if (freed)
            QCOMPARE(rec.seen, QStringList{ln::hex(arrives)});
    }

    // A message never echoed, or held back by CTS for a while: given up with
    // one box after 3 s, and the next message can go.
    void giveUp_data()
    {
        QTest::addColumn<bool>("ctsOff");
        QTest::addColumn<double>("wait");
        QTest::newRow("no echo, exactly 3 s") << false << 3.0;
        QTest::newRow("no echo, 3.01 s") << false << 3.01;
        QTest::newRow("CTS off 3 s") << true << 3.0;
        QTest::newRow("CTS off 3.01 s") << true << 3.01;
    }
    void giveUp()
    {
        QFETCH(bool, ctsOff);
        QFETCH(double, wait);
        const bool givenUp = wait > 3.0;
        Rig rig(ctsOff ? 1 : 3);
        rig.port.setCts(!ctsOff);
        rig.core->link.put({0xBB, 0x00, 0x00});
        rig.tick();
        rig.clock.advance(wait);
        rig.tick();
        rig.port.setCts(true);
        rig.tick();
        QCOMPARE(rig.takeWire(), givenUp && ctsOff ? QString() : QString("BB 00 00 44"));
        QCOMPARE(rig.core->link.txFree(), givenUp);
        QCOMPARE(rig.shown.size(), givenUp ? 1 : 0);
        if (givenUp) {
            QCOMPARE(rig.shown[0].title, QString("LocoNet Fehler"));
            QCOMPARE(rig.shown[0].text, QString("Message kann nicht gesendet werden!"));
            QCOMPARE(rig.shown[0].icon, MsgIcon::Critical);
            QVERIFY(rig.core->link.put({0x82}));
        } else {
            rig.echo();
            QVERIFY(rig.core->link.txFree());
        }
    }

    // What the serial port reports when it cannot be opened; what the user reads.
    void portErrorTexts_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("system");
        QTest::addColumn<QString>("shown");
        const QString inUse = "Der Port wird von einem anderen Programm benutzt.";
#ifdef Q_OS_WIN
        QTest::newRow("access denied")
            << int(QSerialPort::PermissionError) << "Access is denied." << inUse;
#else
        QTest::newRow("opened exclusively")
            << int(QSerialPort::PermissionError) << qt_error_string(EBUSY) << inUse;
        QTest::newRow("no permission") << int(QSerialPort::PermissionError) << "Permission denied"
                                       << "Permission denied";
#endif
        QTest::newRow("no such port")
            << int(QSerialPort::DeviceNotFoundError) << "No such file or directory"
            << "No such file or directory";
    }
    void portErrorTexts()
    {
        QFETCH(int, error);
        QFETCH(QString, system);
        QFETCH(QString, shown);
        QCOMPARE(port_error_text(QSerialPort::SerialPortError(error), system), shown);
    }

    // A request goes out and is echoed; other traffic, then a long acknowledge
    // arrive. Whether its sender hears the code: only a B4 naming the
    // request's opcode, in time, counts.
    void longAck_data()
    {
        QTest::addColumn<AckRow>("row");
        const auto row = [](const char* name, const QString& sent, const QByteArray& ack,
                            int code = -1, const QByteArray& between = {}, double wait = 0) {
            QTest::newRow(name) << AckRow{sent, between, wait, ack, code};
        };
        const auto b4 = [](int op, int code) { return ln::frame({0xB4, op, code}); };
        const QByteArray refused = b4(0x30, 0);
        const QString b0 = "B0 13 30", bf = "BF 00 03";
        row("B0 refused, a report, busy and a B4 for another opcode between", b0, refused, 0,
            ln::frame({0xB2, 1, 0x10}) + ln::frame({0x81}) + b4(0x3C, 0x30));
        row("only a B4 for another opcode", b0, b4(0x31, 0));
        row("2.01 s late", b0, refused, -1, {}, 2.01);
        row("never acknowledged", "83", refused);
        row("BC state", "BC 04 00", b4(0x3C, 0x30), 0x30, ln::frame({0xB2, 1, 0x10}));
        row("BF no slot", bf, b4(0x3F, 0), 0);
        row("BF, B4 for BE", bf, b4(0x3E, 0), 0);
        row("BE, B4 for BF", "BE 00 03", b4(0x3F, 0), 0);
        row("command acknowledged", "ED 0F 01 5A 56 01 00 00 00 00 00 00 00 00", b4(0x6D, 0x7F),
            0x7F);
    }
    void longAck()
    {
        QFETCH(AckRow, row);
        const auto& [sent, between, wait, ack, code] = row;
        Rig rig;
        int heard = -1;
        rig.core->link.put(QByteArray::fromHex(sent.toLatin1()), [&](int c) { heard = c; });
        rig.tick();
        rig.echo();
        rig.sendRaw(between);
        rig.clock.advance(wait);
        rig.sendRaw(ack);
        QCOMPARE(heard, code);
        QVERIFY(rig.shown.isEmpty()); // the sender, not the dispatch, has the words
    }

    // Text typed; the buffer it gives (empty: nothing); the token a refusal names.
    void hexText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("buffer");
        QTest::addColumn<QString>("refused");
        const auto row = [](const char* name, const QString& text, const QString& buffer,
                            const QString& refused = {}) {
            QTest::newRow(name) << text << buffer << refused;
        };
        row("tabs and outer blanks", " 82\t01 ", "82 01");
        row("lower case, one digit", "bb 0a 1", "BB 0A 01");
        row("not hexadecimal", "B2 ZZ 10", "", "ZZ");
        row("three digits", "0B2 00", "", "0B2");
        row("above FF", "B2 100 10", "", "100");
        const QString lone = QString("B2 1") + QChar(0xD800) + " 10";
        row("lone surrogate", lone, "", lone.mid(3, 2));
        const QString many = "E0" + QString(" 00").repeated(63);
        row("64 values", many, many);
        row("65 values refused", many + " 00", "");
        row("blanks only", "   ", "");
    }
    void hexText()
    {
        QFETCH(QString, text);
        QFETCH(QString, buffer);
        QFETCH(QString, refused);
        Rig rig;
        Link& link = rig.core->link;
        QCOMPARE(link.hex_to_tx(text), !buffer.isEmpty());
        QCOMPARE(
            ln::hex(QByteArray(reinterpret_cast<const char*>(link.LnTx.data()), link.LnTxLast + 1)),
            buffer);
        QStringList expected;
        if (!refused.isEmpty())
            expected
                << "\"" + refused +
                       "\" ist kein Wert aus ein oder zwei Hexziffern (00 bis FF); die Nachricht "
                       "wird nicht gesendet.";
        else if (text.count(' ') >= 64)
            expected << "Die Nachricht hat mehr als 64 Werte und wird nicht gesendet.";
        QCOMPARE(rig.texts(), expected);
    }

    void traceShowsWhatWasProcessed()
    {
        Rig rig;
        QTemporaryFile file;
        QVERIFY(file.open());
        ln::TraceWriter trace(&file);
        rig.core->link.setTrace(&trace);
        rig.clock.set(12.5);
        QByteArray corrupt = ln::frame({0xB2, 1, 0x10});
        corrupt[2] = 0x30;
        rig.sendRaw(ln::frame({0xB2, 1, 0x10}) + corrupt);
        rig.core->link.put({0x82});
        rig.tick();
        QFile reader(file.fileName()); // what a crash now would leave
        QVERIFY(reader.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromLatin1(reader.readAll()).split('\n', Qt::SkipEmptyParts),
                 (QStringList{"   12.500  RX  B2 01 10 5C", "   12.500  BAD  B2 01 30 5C",
                              "   12.500  TX  82 7D"}));
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
