#pragma once
// A fresh core on a fake clock and an in-memory port, for headless tests.
// "bus" is the far end of the port: what the program writes arrives there,
// what the test writes there arrives at the program.

#include "application/application.h"
#include "loconet/memory_port.h"
#include "loconet/message.h"

#include <QStringList>
#include <QTemporaryDir>
#include <array>
#include <functional>
#include <memory>

struct Shown {
    QString title, text;
    MsgIcon icon;
};

class Rig {
  public:
    explicit Rig(int ifType = 3);

    FakeClock clock;
    MemoryPortPair ports;
    MemoryPort& port = ports.a; // the program's side
    MemoryPort& bus = ports.b;  // the station's side
    QTemporaryDir dir;
    std::unique_ptr<Application> core;
    QList<Shown> shown;

    // Texts of the message boxes shown so far.
    QStringList texts() const;
    // Bytes as the program put them on the wire since the last take, as hex text.
    QString takeWire();
    // The wire starts empty again: what was written so far is forgotten.
    void forgetWire();
    // Sends a message (checksum added) from the bus to the program.
    void send(std::initializer_list<int> bytesWithoutChecksum);
    void sendRaw(const QByteArray& bytes);
    // The bus echoes everything the program wrote since the last echo.
    void echo();
    void tick(int n = 1);
    // Advances the clock in 10 ms steps; each step advances the connect
    // sequence, ticks, and lets the scripted station (if any) answer.
    void run(double seconds);
    std::function<void()> station;
    // "Verbinden" against a station of that type that answers the connect
    // sequence at once; the program is online afterwards. The wire it took.
    QString connect(int stationType = 1);

  private:
    qsizetype echoed_ = 0, taken_ = 0;
};

// Messages given as "A0 01 02|A1 01 20" (checksums added) as takeWire()
// shows them; empty for none.
QString wire_hex(const QString& messages);

// A 15-byte peer message E5 0F 01 5A 56 cmd with its arguments, high bits
// packed into byte 6, checksum appended.
QByteArray peer_message(int cmd, std::array<int, 7> args);
