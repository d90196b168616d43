#pragma once
// The LocoNet link: one transmit buffer whose message is written to the port
// and freed when its echo returns, and the receive side, which assembles the
// port's bytes into messages and dispatches each one as soon as it is
// complete. Nothing waits in a ring, so no burst and no stall of the program
// can overwrite a message before it has been dispatched.

#include "message.h"
#include "trace.h"

#include <QObject>
#include <array>
#include <initializer_list>
#include <vector>

class Clock;
class Dispatch;
class MessageService;
class Port;

class Link : public QObject {
    Q_OBJECT
  public:
    Link(Clock& clock, Port& port, Dispatch& dispatch, MessageService& msgs);

    // Start values of the transmit buffer, the receive side and the
    // acknowledge expectation.
    void reset();

    // Transmit buffer. A producer fills it only while it is free.
    std::array<uint8_t, 65> LnTx{};
    int LnTxLast = -1; // index of the last byte before the checksum; -1 = free
    bool LnTxSent = false;
    double LnTxTime = 0;
    bool txFree() const { return LnTxLast == -1; }
    // Fills the buffer with the given bytes (no checksum); false when busy.
    bool put(std::initializer_list<int> bytes);
    bool put(const QByteArray& bytes);
    // The 15-byte command message: ED 0F 01 sig0 sig1 cmd, args in 7..13.
    bool put_command(int cmd, std::array<int, 7> args, int sig0 = 0x5A, int sig1 = 0x56);
    void pack_hibits() { ln::packHibits(LnTx.data()); }
    // Fills the buffer from blank-separated hex values of one or two digits;
    // false (and nothing changed) for an empty text or one that is refused
    // with a message box.
    bool hex_to_tx(const QString& text);

    // Interface type the port was opened for; type 1 writes byte by byte
    // while CTS is on. Set when connecting, so choosing another type while
    // connected changes nothing until the next connection.
    int PortType = 3;

    // Messages refused because their bytes do not XOR to FF.
    int LnRxBad = 0;

    // Writes the filled buffer (checksum added) or gives up after the echo time-out.
    void ln_send();
    // A last word while the connection closes (the checksum is added): it
    // goes out at once, past the buffer, and no echo is awaited.
    void send_now(const QByteArray& bytes);
    // Takes in what the port holds and dispatches every message it completes.
    void com_input();

    // Every message in and out is logged while a trace is attached.
    void setTrace(ln::TraceWriter* trace);
    // Taps see every message written (TX) and taken in (RX, BAD). With none
    // attached the link builds nothing for them.
    void addTap(ln::TrafficTap* tap);
    void removeTap(ln::TrafficTap* tap);

    // A producer outside the program (an LbServer client). It is offered
    // the free buffer only after the program's own producers had their turn
    // in the tick, and learns how its message ended instead of the user
    // seeing a box; its long acknowledge is its own business.
    class Guest {
      public:
        virtual ~Guest() = default;
        // Fills the buffer (put) if it has a message; true when it did.
        virtual bool fill(Link& link) = 0;
        // The message it filled came back as echo (true) or was given up.
        virtual void finished(bool echoed) = 0;
    };
    void setGuest(Guest* guest) { guest_ = guest; }

    static constexpr double EchoTimeout = 3.0;

    // The message being dispatched is the echo of one the program itself
    // sent (not a guest's).
    bool own_echo() const { return LnTxSent && !guestOwned_ && is_echo(); }

  private:
    void receive_byte(uint8_t b);
    void take(); // one complete message: checksum, dispatch, echo
    bool is_echo() const;
    void give_up(); // message that cannot be sent: box, buffer freed
    void tell(ln::Traffic what, const uint8_t* bytes, int count);
    void end_guest(bool echoed);

    Clock& clock_;
    Port& port_;
    Dispatch& dispatch_;
    MessageService& msgs_;
    ln::TraceWriter* trace_ = nullptr;
    std::vector<ln::TrafficTap*> taps_;
    Guest* guest_ = nullptr;
    bool guestOwned_ = false; // the buffer holds the guest's message
    int txPos_ = -1;          // CTS-paced sending: next byte to write; -1 = not begun
    double txBegun_ = 0;      // when the CTS-paced send began

    ln::Msg rx_;     // the message being assembled
    int rxPos_ = -1; // index of the byte stored last
    int rxLen_ = 0;  // expected length; -1 until byte 1 is read
    bool rxBusy_ = false;
    bool receiving_ = false; // com_input is running: a nested call leaves the bytes to it
};
