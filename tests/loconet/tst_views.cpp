// The builders of the typed messages give the bytes the station expects
// (the checksum is the link's).

#include "loconet/message.h"
#include "loconet/views.h"

#include <QtTest>

class TestViews : public QObject {
    Q_OBJECT
  private slots:
    void buildersGiveTheWireBytes_data()
    {
        QTest::addColumn<QByteArray>("built");
        QTest::addColumn<QString>("hex");
        using namespace ln;
        const auto row = [](const char* name, const QByteArray& built, const char* hex) {
            QTest::newRow(name) << built << QString::fromLatin1(hex);
        };
        row("loco 200, newer software", LocoRequest::make(200, op::LocoAdrAlt), "BE 01 48");
        row("accessory 2048 green on", SwitchRequest::make(2047, true, true), "B0 7F 3F");
        row("state of accessory 20", SwitchState::make(19), "BC 13 00");
        row("sensor 12 occupied", SensorReport::make(11, true), "B2 05 70");
        row("function group 8", FunctionGroup::make(7, 8, 0x15), "D4 20 07 08 15");
        row("dispatch put", MoveSlots::make(3, 0), "BA 03 00");
        row("slot 0", SlotRequest::make(0), "BB 00 00");
        row("status common", SlotStatus::make(3, 0x13), "B5 03 13");
        row("F9 and F12", LocoF9F12::make(7, 0x09), "A3 07 09");
        row("programming on", ProgTrackMode::make(true), "E5 07 01 5A 56 41");
        row("read CV 200", StationProgRequest::make(false, 200, 0).mid(5, 4), "73 72 48 00");
        row("read CV 300", StationProgRequest::make(false, 300, 0).mid(5, 4), "71 72 2C 01");
        row("write 200 to CV 3", StationProgRequest::make(true, 3, 200).mid(5, 6),
            "79 71 03 00 48 70");
        row("programming request tail", StationProgRequest::make(true, 3, 1).mid(14),
            "00 10 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
        row("option 200 read", PeerMessage::stationCommand(cmd::ReadOption, {200, 0}),
            "ED 0F 01 5A 56 02 01 48 00 00 00 00 00 00");
        row("LNCV start, article 12340, module 1",
            LncvMessage::request(LncvMessage::Kind::Start, 1234, 0, 1),
            "ED 0F 01 05 00 21 41 52 04 00 00 01 00 00");
        row("LNCV end", LncvMessage::request(LncvMessage::Kind::End, 1234, 0, 1),
            "ED 0F 01 05 00 21 01 52 04 00 00 01 00 40");
        row("LNCV write -1", LncvMessage::request(LncvMessage::Kind::Write, 1234, 2, -1),
            "ED 0F 01 05 00 20 31 52 04 02 00 7F 7F 00");
    }
    void buildersGiveTheWireBytes()
    {
        QFETCH(QByteArray, built);
        QFETCH(QString, hex);
        QCOMPARE(ln::hex(built), hex);
    }
};

QTEST_GUILESS_MAIN(TestViews)
#include "tst_views.moc"
