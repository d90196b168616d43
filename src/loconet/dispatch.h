#pragma once
// Receive dispatch: hands each received message to the handlers registered
// for its opcode, and the long acknowledge to one of the program's own
// messages to whoever sent that message. Subsystems register their
// handlers when they are built.

#include "message.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class Clock;

class Dispatch {
  public:
    using Handler = std::function<void(const ln::Msg&)>;

    explicit Dispatch(const Clock& clock) : clock_(clock) {}

    void on(uint8_t opcode, Handler h) { handlers_[opcode].push_back(std::move(h)); }
    // 15-byte peer messages (E5) by command byte 5; handlers get the
    // message with the high bits of bytes 7..13 restored.
    void onPeer(uint8_t command, Handler h) { peer_[command & 0x7F].push_back(std::move(h)); }
    void dispatch(const ln::Msg& m);

    using AckHandler = std::function<void(int code)>;
    // The echo of one of the program's messages came back (opcode op): a
    // B4 for that opcode within LackTimeout
    // is its answer and goes to onAck. Other devices talk in between, so
    // only the B4's byte 1 tells whose answer it is.
    void await_ack(uint8_t op, AckHandler onAck);
    // Nothing is awaited any more (a new connection).
    void forget_ack() { lackWait_ = false, lackHandler_ = {}; }

    // Every request that awaits a long acknowledge gives up within 2 s.
    static constexpr double LackTimeout = 2.0;

  private:
    void rx_peer(const ln::Msg& m);

    const Clock& clock_;
    std::array<std::vector<Handler>, 256> handlers_;
    std::array<std::vector<Handler>, 128> peer_;
    bool lackWait_ = false;
    uint8_t lackOp_ = 0;
    double lackTime_ = 0;
    AckHandler lackHandler_;
};
