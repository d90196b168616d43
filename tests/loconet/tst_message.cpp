#include "loconet/message.h"
#include "support/rig.h"

#include <QtTest>

class TestMessage : public QObject {
    Q_OBJECT
  private slots:
    void lengthByOpcode_data();
    void lengthByOpcode();
    void highBitsTravelInByte6();
};

void TestMessage::lengthByOpcode_data()
{
    QTest::addColumn<int>("opcode");
    QTest::addColumn<int>("length");
    for (int op : {0x80, 0x81, 0x9F})
        QTest::addRow("%02X", op) << op << 2;
    for (int op : {0xA0, 0xB2, 0xBF})
        QTest::addRow("%02X", op) << op << 4;
    for (int op : {0xC0, 0xD4, 0xDF})
        QTest::addRow("%02X", op) << op << 6;
    for (int op : {0xE0, 0xE7, 0xED, 0xFF})
        QTest::addRow("%02X", op) << op << -1;
}

void TestMessage::lengthByOpcode()
{
    QFETCH(int, opcode);
    QFETCH(int, length);
    QCOMPARE(ln::opcodeLength(uint8_t(opcode)), length);
}

void TestMessage::highBitsTravelInByte6()
{
    Rig rig;
    Link& link = rig.core->link;
    QVERIFY(link.put_command(1, {0xC8, 0x02, 0xFF, 0x00, 0x80, 0x7F, 0x81}));
    QCOMPARE(link.LnTxLast, 13);
    const QByteArray sent(reinterpret_cast<const char*>(link.LnTx.data()), 14);
    QCOMPARE(ln::hex(sent), QString("ED 0F 01 5A 56 01 55 48 02 7F 00 00 7F 01"));
    ln::Msg back(sent);
    ln::unpackHibits(back.data());
    QCOMPARE(ln::hex(back.bytes().mid(7, 7)), QString("C8 02 FF 00 80 7F 81"));
}

QTEST_GUILESS_MAIN(TestMessage)
#include "tst_message.moc"
