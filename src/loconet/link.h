#pragma once
// The LocoNet link: one transmit buffer whose message is written to the port
// and freed when its echo returns, and a ring of 32 slots into which received
// bytes are assembled as messages.

#include "message.h"

#include <QObject>
#include <array>
#include <initializer_list>

class Clock;
class Dispatch;
class MessageService;
class Port;

class Link : public QObject {
    Q_OBJECT
  public:
    Link(Clock& clock, Port& port, Dispatch& dispatch, MessageService& msgs, const int& ifType);

    // Start values of the transmit buffer, the ring and the acknowledge expectation.
    void reset();

    // Transmit buffer. A producer fills it only while it is free.
    std::array<uint8_t, 65> LnTx{};
    int LnTxLast = -1; // index of the last byte before the checksum; -1 = free
    bool LnTxSent = false;
    double LnTxTime = 0;
    bool txFree() const { return LnTxLast == -1; }
    // Fills the buffer with the given bytes (no checksum); false when busy.
    bool put(std::initializer_list<int> bytes);
    // The 15-byte command message: ED 0F 01 sig0 sig1 cmd, args in 7..13.
    bool put_command(int cmd, std::array<int, 7> args, int sig0 = 0x5A, int sig1 = 0x56);
    void pack_hibits() { ln::packHibits(LnTx.data()); }
    // Fills the buffer from blank-separated hex values; false (and nothing
    // changed) for an empty or refused text.
    bool hex_to_tx(const QString& text);

    // Receive ring.
    uint8_t LnRx[33][65]{};
    int LnRxWr = 0, LnRxRd = 0, LnRxSlot = 0, LnRxPos = -1, LnRxLen = -1;
    bool LnRxBusy = false, LnRxEmpty = true, LnRxFull = false;

    void ln_send();
    void ln_receive();
    void com_input();

    static constexpr double EchoTimeout = 3.0;

  signals:
    // A whole message went out to the port / came in from it (traffic log).
    void sent(const QByteArray& bytes);
    void received(const QByteArray& bytes);

  private:
    void receive_byte(uint8_t b);
    void give_up(); // message that cannot be sent: box, buffer freed

    Clock& clock_;
    Port& port_;
    Dispatch& dispatch_;
    MessageService& msgs_;
    const int& ifType_;
    int txPos_ = -1;     // CTS-paced sending: next byte to write; -1 = not begun
    double txBegun_ = 0; // when the CTS-paced send began
};
