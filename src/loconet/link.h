#pragma once
// The LocoNet link: one transmit buffer whose message is written to the port
// as soon as it is filled and freed when its echo returns, and the receive
// side, which assembles the port's bytes into messages and dispatches each
// one as soon as it is complete. Nothing waits in a ring, so no burst and no
// stall of the program can overwrite a message before it has been
// dispatched. The free buffer is offered to its producers in order (the
// request engine, the route engine, guests) the moment it is free.

#include "message.h"
#include "trace.h"

#include <QObject>
#include <array>
#include <functional>
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
    // acknowledge expectation; the link carries traffic while active (a
    // session of the request engine is open).
    void reset();
    void setActive(bool active);
    bool active() const { return active_; }

    // Whoever fills the free buffer. The first producer that puts a message
    // owns it; it learns how the message ended.
    class Producer {
      public:
        virtual ~Producer() = default;
        // Puts a message if it has one ready.
        virtual void fill(Link& link) = 0;
        // Its message came back as echo (true) or was given up.
        virtual void finished(bool echoed) { (void)echoed; }
        // A producer outside the program (an LbServer client): its messages
        // are its own business, never the user's boxes or acknowledges.
        virtual bool guest() const { return false; }
    };
    // Offered the buffer in the order added.
    void addProducer(Producer* p);
    void removeProducer(Producer* p);

    // The station's long acknowledge to a message: its code (byte 2).
    using AckHandler = std::function<void(int code)>;

    // Transmit buffer. A producer fills it only while it is free.
    std::array<uint8_t, 65> LnTx{};
    int LnTxLast = -1; // index of the last byte before the checksum; -1 = free
    bool LnTxSent = false;
    double LnTxTime = 0;
    bool txFree() const { return LnTxLast == -1; }
    // Fills the buffer with the given bytes (no checksum); false when busy.
    // A long acknowledge to it goes to onAck.
    bool put(std::initializer_list<int> bytes, AckHandler onAck = {});
    bool put(const QByteArray& bytes, AckHandler onAck = {});
    // Fills the buffer from blank-separated hex values of one or two digits;
    // false (and nothing changed) for an empty text or one that is refused
    // with a message box.
    bool hex_to_tx(const QString& text);
    // The bytes of such a text; empty after a refusal (with its box).
    QByteArray hex_bytes(const QString& text);

    // Interface type the port was opened for; type 1 writes byte by byte
    // while CTS is on. Set when connecting, so choosing another type while
    // connected changes nothing until the next connection.
    int PortType = 3;

    // Messages refused because their bytes do not XOR to FF.
    int LnRxBad = 0;

    // Offers the free buffer and writes what was put (checksum added); runs
    // whenever something may have changed: a put, an echo, a message taken in.
    void service();
    // What time drives: the echo time-out, CTS-paced bytes.
    void tick();
    // When tick() has work next; negative for never.
    double next_due() const;
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

    static constexpr double EchoTimeout = 3.0;
    static constexpr double CtsRetry = 0.01; // how soon a CTS-held byte is tried again

    // The message being dispatched is the echo of one the program itself
    // sent (not a guest's).
    bool own_echo() const { return LnTxSent && !guest_owned() && is_echo(); }

  signals:
    // A turn of service() has ended: what is due may have changed.
    void serviced();

  private:
    void offer();
    void write_pending();
    void receive_byte(uint8_t b);
    void take(); // one complete message: checksum, dispatch, echo
    bool is_echo() const;
    void give_up(); // message that cannot be sent: box, buffer freed
    void tell(ln::Traffic what, const uint8_t* bytes, int count);
    void free_buffer(bool echoed);
    bool guest_owned() const { return owner_ && owner_->guest(); }

    Clock& clock_;
    Port& port_;
    Dispatch& dispatch_;
    MessageService& msgs_;
    ln::TraceWriter* trace_ = nullptr;
    std::vector<ln::TrafficTap*> taps_;
    std::vector<Producer*> producers_;
    Producer* owner_ = nullptr; // the producer whose message the buffer holds
    AckHandler txAck_;          // for a long acknowledge to the buffer's message
    bool active_ = false;
    bool serving_ = false, again_ = false;
    int txPos_ = -1;     // CTS-paced sending: next byte to write; -1 = not begun
    double txBegun_ = 0; // when the CTS-paced send began

    ln::Msg rx_;     // the message being assembled
    int rxPos_ = -1; // index of the byte stored last
    int rxLen_ = 0;  // expected length; -1 until byte 1 is read
    bool rxBusy_ = false;
    bool receiving_ = false; // com_input is running: a nested call leaves the bytes to it
};
