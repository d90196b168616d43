// LbServer and its client over real TCP on 127.0.0.1 (ephemeral ports):
// what goes out, what comes back, in which order, and what is refused.

#include "core/shell.h"
#include "loconet/lb_client_port.h"
#include "loconet/lb_line.h"
#include "loconet/lb_server.h"
#include "support/rig.h"

#include <QTcpSocket>
#include <QtTest>
#include <memory>

namespace {
// A plain TCP peer that collects the lines it is sent.
struct Peer {
    explicit Peer(quint16 port)
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] {
            buffer += socket.readAll();
            qsizetype end;
            while ((end = buffer.indexOf("\r\n")) >= 0) {
                lines << QString::fromLatin1(buffer.left(end));
                buffer.remove(0, end + 2);
            }
        });
        socket.connectToHost(QHostAddress::LocalHost, port);
    }
    void send(const QByteArray& text) { socket.write(text); }
    // Lines of one kind, in the order they came.
    QStringList with(const QString& prefix) const
    {
        return lines.filter(QRegularExpression("^" + prefix));
    }
    QTcpSocket socket;
    QByteArray buffer;
    QStringList lines;
};
} // namespace

class TestLbServer : public QObject {
    Q_OBJECT
  private slots:
    void init()
    {
        rig = std::make_unique<Rig>();
        rig->connect(); // the program shares its connection while it has one
        rig->forgetWire();
        server = std::make_unique<LbServer>(rig->clock, rig->core->link);
        QVERIFY(server->listen(QHostAddress::LocalHost, 0));
    }

    void cleanup()
    {
        server.reset();
        rig.reset();
    }

    void readsLines_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("result"); // kind, bytes or reason
        const QByteArray values65 = "SEND E0 41" + QByteArray(" 00").repeated(63);
        QTest::newRow("send") << QByteArray("SEND 83 7C") << "send 837c";
        QTest::newRow("lower case, blanks") << QByteArray(" send  bb 0 0 44 ") << "send bb000044";
        QTest::newRow("receive") << QByteArray("RECEIVE 82 7D") << "receive 827d";
        QTest::newRow("sent ok") << QByteArray("SENT OK") << "sent ok";
        QTest::newRow("sent error") << QByteArray("SENT ERROR timeout") << "sent timeout";
        QTest::newRow("version") << QByteArray("VERSION JMRI 5.0") << "version JMRI 5.0";
        QTest::newRow("empty") << QByteArray("   ") << "empty";
        QTest::newRow("three digits") << QByteArray("SEND 083 7C") << "bad hex value";
        QTest::newRow("signed") << QByteArray("SEND 83 +7C") << "bad hex value";
        QTest::newRow("over 64 values") << values65 << "too long";
        QTest::newRow("length") << QByteArray("SEND 83 00 7C") << "length does not fit the opcode";
        QTest::newRow("data byte") << QByteArray("SEND A0 85 00 DA") << "data byte above 7F";
        QTest::newRow("no opcode") << QByteArray("SEND 02 FD") << "no opcode";
    }

    void readsLines()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, result);
        const lb::Line l = lb::parse(line);
        QString got;
        switch (l.kind) {
        case lb::Line::Empty: got = "empty"; break;
        case lb::Line::Send: got = "send " + l.message.toHex(); break;
        case lb::Line::Receive: got = "receive " + l.message.toHex(); break;
        case lb::Line::Sent: got = "sent " + (l.ok ? QString("ok") : QString(l.text)); break;
        case lb::Line::Version: got = "version " + l.text; break;
        case lb::Line::Malformed: got = l.text; break;
        }
        QCOMPARE(got, result);
    }

    void tellsAddressesFromDevices_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("address");
        const auto row = [](const char* text, const char* address) {
            QTest::newRow(text) << QString(text) << QString(address);
        };
        row("127.0.0.1:1234", "127.0.0.1 1234");
        row("layout-pc:1235", "layout-pc 1235");
        row("[::1]:1234", "::1 1234");
        // Device paths, bare v6 and port numbers are no server addresses.
        row("::1:1234", "");
        row("/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0", "");
        row("3", "");
        row("host:0", "");
        row("host:65536", "");
        row(":1234", "");
    }

    void tellsAddressesFromDevices()
    {
        QFETCH(QString, text);
        QFETCH(QString, address);
        const auto a = lb::address(text);
        QCOMPARE(a ? a->host + ' ' + QString::number(a->port) : QString(), address);
    }

    void sendsOneAtATimeBehindTheProgramAndAnswersInOrder()
    {
        Peer a(server->port()), b(server->port()), c(server->port());
        QTRY_COMPARE(server->clientCount(), 3);
        QVERIFY(rig->core->link.put({0x82})); // the program's own message is first
        a.send("SEND 83 7C\r\nSEND A0 01 05 5B\n");
        b.send("SEND B0 13 30 6C\rSEND B0 13 20 7C\n");
        c.send("SEND BB 00 00 44\n\nSEND BB 01 00 45\n");
        QTRY_VERIFY_WITH_TIMEOUT(
            (pump(), a.with("SENT").size() + b.with("SENT").size() + c.with("SENT").size() == 6),
            10000);
        // Whole messages one after the other: every echo freed the buffer for the next.
        const QString wire = ln::hex(rig->port.written());
        QVERIFY2(wire.startsWith("82 7D "), qPrintable(wire));
        QCOMPARE(wire.size(),
                 QStringLiteral("82 7D 83 7C A0 01 05 5B B0 13 30 6C B0 13 20 7C BB 00 00 "
                                "44 BB 01 00 45")
                     .size());
        for (const Peer* p : {&a, &b, &c}) {
            QCOMPARE(p->with("SENT"), (QStringList{"SENT OK", "SENT OK"}));
            // Every client hears every message, its own and the others'.
            QTRY_COMPARE(p->with("RECEIVE").size(), 7);
        }
        QVERIFY(a.lines.indexOf("RECEIVE 83 7C") < a.lines.indexOf("SENT OK"));
        QVERIFY(a.lines.indexOf("RECEIVE 83 7C") < a.lines.indexOf("RECEIVE A0 01 05 5B"));
    }

    void greetsForwardsIntactTrafficAndRefusesMalformedLines()
    {
        Peer peer(server->port());
        QTRY_COMPARE(peer.lines, QStringList{"VERSION Quorail " + program_version()});
        rig->sendRaw(QByteArray::fromHex("B20270FF")); // fails its checksum: nobody's to act on
        rig->send({0xB2, 0x02, 0x70});
        QTRY_COMPARE(peer.with("RECEIVE"), QStringList{"RECEIVE B2 02 70 3F"});
        // The answers keep the order of the lines, also behind a SEND that waits.
        peer.send("SEND 83 7C\nSEND 83\nSEND 8G 7C\nHELLO\nSEND 83 7D\nSEND 82 7D\n");
        QTRY_VERIFY_WITH_TIMEOUT((pump(), peer.with("SENT").size() == 6), 10000);
        QCOMPARE(peer.with("SENT"),
                 (QStringList{"SENT OK", "SENT ERROR too short", "SENT ERROR bad hex value",
                              "SENT ERROR unknown command", "SENT ERROR bad checksum", "SENT OK"}));
        QCOMPARE(ln::hex(rig->port.written()), QStringLiteral("83 7C 82 7D"));
    }

    void answersTimeOutsWithoutABox()
    {
        Peer peer(server->port());
        QTRY_COMPARE(peer.lines.size(), 1);
        peer.send("SEND 83 7C\n");
        QTRY_VERIFY((rig->tick(), !rig->port.written().isEmpty()));
        rig->clock.advance(Link::EchoTimeout + 0.1); // no echo comes
        rig->tick();
        QTRY_COMPARE(peer.with("SENT"), QStringList{"SENT ERROR timeout: no echo"});
        QVERIFY(rig->texts().isEmpty()); // the client's failure, not the user's
        QVERIFY(rig->core->link.txFree());

        // Not connected: nothing takes the SEND to the bus.
        rig->core->conn.disconnect_port("1");
        peer.send("SEND 82 7D\n");
        QTRY_VERIFY((rig->clock.advance(1.0), server->expire(), peer.with("SENT").size() == 2));
        QCOMPARE(peer.with("SENT")[1], QStringLiteral("SENT ERROR timeout: the bus was not free"));
    }

    void survivesClientsLeavingAndDropsEndlessLines()
    {
        QVERIFY(rig->core->link.put({0x85})); // the bus is busy with the program's own message
        rig->tick();
        {
            Peer leaving(server->port());
            QTRY_COMPARE(server->clientCount(), 1);
            leaving.send("SEND 83 7C\nSEND 82"); // one queued, one cut off mid-line
            QTest::qWait(50);
        }
        QTRY_COMPARE(server->clientCount(), 0);
        Peer flood(server->port());
        QTRY_COMPARE(server->clientCount(), 1);
        flood.send(QByteArray(1 << 20, 'A'));
        QTRY_COMPARE_WITH_TIMEOUT(flood.socket.state(), QAbstractSocket::UnconnectedState, 10000);
        QTRY_COMPARE(server->clientCount(), 0);

        Peer staying(server->port());
        QTRY_COMPARE(staying.lines.size(), 1);
        staying.send("SEND 82 7D\n");
        QTRY_VERIFY_WITH_TIMEOUT((pump(), staying.with("SENT").size() == 1), 10000);
        QCOMPARE(staying.with("SENT"), QStringList{"SENT OK"});
        // The SEND of the client that left never went out.
        QCOMPARE(ln::hex(rig->port.written()), QStringLiteral("85 7A 82 7D"));
    }

    void clientPortConnectsAProgramThroughTheServer()
    {
        FakeClock clock;
        LbClientPort port;
        QTemporaryDir dir;
        Application other(clock, port, dir.path());
        QStringList boxes;
        connect(&other.msgs, &MessageService::shown,
                [&](const QString& title, const QString& text) { boxes << title + ' ' + text; });
        other.start();
        other.state.IfType = 1; // a serial set-up would send a break and texts first
        const QString address = QStringLiteral("127.0.0.1:%1").arg(server->port());
        other.conn.connect_port(address);
        QCOMPARE(other.link.PortType, 3);
        QCOMPARE(other.state.ComPortNr, address);
        QTRY_COMPARE(server->clientCount(), 1);
        QTRY_COMPARE(port.serverVersion(), "Quorail " + program_version().toLatin1());
        // Identification is the first thing the program sends, as over a serial port.
        QTRY_VERIFY_WITH_TIMEOUT((pump(), !rig->port.written().isEmpty()), 10000);
        QCOMPARE(ln::hex(rig->port.written()), QStringLiteral("BB 00 00 44"));
        QTRY_VERIFY_WITH_TIMEOUT((pump(), other.link.txFree()), 10000); // its echo came back

        // A typed message whose length byte does not fit never reaches the bus
        // and ends as unsent; it holds up nothing behind it.
        rig->takeWire();
        QVERIFY(other.link.hex_to_tx("E5 00"));
        other.link.service();
        QTest::qWait(200);
        clock.advance(3.5);
        QTRY_VERIFY(boxes.join('\n').contains("Message kann nicht gesendet werden!"));
        // The same jump of the clock ended the identification: the first
        // switch-state query goes out, then the poll waits for its answer.
        QTRY_VERIFY_WITH_TIMEOUT((pump(), other.req.has(JobKind::SwitchPoll) && other.link.txFree()), 10000);
        rig->takeWire();
        QVERIFY(other.link.hex_to_tx("83"));
        other.link.service();
        QTRY_VERIFY_WITH_TIMEOUT((pump(), ln::hex(rig->port.written()).endsWith("83 7C")), 10000);
        QCOMPARE(rig->takeWire(), QStringLiteral("83 7C"));
        QTRY_VERIFY_WITH_TIMEOUT((pump(), other.link.txFree()), 10000);
        boxes.clear();

        // The bus's traffic reaches the other program's dispatch.
        QSignalSpy power(&other.state, &StationState::power_shown);
        rig->send({0x83});
        QTRY_COMPARE(power.size(), 1);

        // A lost connection is a vanished port.
        server.reset();
        QTRY_COMPARE(other.conn.state(), Connection::State::Disconnected);
        QVERIFY(!port.isOpen());
        QVERIFY2(boxes.join('\n').contains("Verbindungsfehler: Port " + address),
                 qPrintable(boxes.join('\n')));

        // The server comes back: it is tried every 2 s and connected to again.
        QVERIFY(other.conn.waiting());
        const quint16 number = quint16(address.section(':', 1).toUInt());
        server = std::make_unique<LbServer>(rig->clock, rig->core->link);
        QVERIFY(server->listen(QHostAddress::LocalHost, number));
        const qsizetype before = rig->port.written().size();
        const auto poll = [&] {
            clock.advance(Connection::NetworkPoll);
            other.conn.step();
        };
        poll(); // a try starts
        QTRY_COMPARE(server->clientCount(), 1);
        poll(); // it stood: connect
        QTRY_VERIFY_WITH_TIMEOUT(
            (pump(), ln::hex(rig->port.written().mid(before)) == "BB 00 00 44"), 10000);
        QVERIFY(!other.conn.waiting());
    }

  private:
    // One tick of the served program with the bus echoing what it wrote.
    void pump()
    {
        rig->tick();
        rig->echo();
    }
    std::unique_ptr<Rig> rig;
    std::unique_ptr<LbServer> server;
};

QTEST_GUILESS_MAIN(TestLbServer)
#include "tst_lbserver.moc"
