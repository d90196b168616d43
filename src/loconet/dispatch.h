#pragma once
// Receive dispatch: hands each received message to the handlers registered
// for its opcode and evaluates the long acknowledge to the program's own
// messages. Subsystems register their handlers when they are built.

#include "message.h"

#include <array>
#include <functional>
#include <vector>

class Clock;
class MessageService;

class Dispatch {
  public:
    using Handler = std::function<void(const ln::Msg&)>;

    Dispatch(const Clock& clock, MessageService& msgs) : clock_(clock), msgs_(msgs) {}

    void on(uint8_t opcode, Handler h) { handlers_[opcode].push_back(std::move(h)); }
    // 15-byte 0xE5 peer messages by command byte 5; handlers get the
    // message with the high bits of bytes 7..13 restored.
    void onPeer(uint8_t command, Handler h) { peer_[command & 0x7F].push_back(std::move(h)); }
    // The accessory keyboard's answer to a switch-state query (B4 3C code).
    Handler sw_state_answer;

    void dispatch(const ln::Msg& m);

    // The echo of a message the station may acknowledge (opcode op, command
    // byte cmd of an 0xED) came back: a B4 for that opcode within LackTimeout
    // is its answer. Other devices talk in between, so only the B4's byte 1
    // tells whose answer it is.
    void await_ack(uint8_t op, uint8_t cmd);

    bool LackWait = false;
    uint8_t LackOp = 0;
    uint8_t LackCmd = 0;
    int LackCode = -1; // code of the last acknowledge to an 0xED; jobs set -1 before sending
    double LackTime = 0;

    // Every request that awaits a long acknowledge gives up within 2 s.
    static constexpr double LackTimeout = 2.0;

  private:
    void rx_peer(const ln::Msg& m);
    void long_ack(const ln::Msg& m);
    void error(const QString& text);

    const Clock& clock_;
    MessageService& msgs_;
    std::array<std::vector<Handler>, 256> handlers_;
    std::array<std::vector<Handler>, 128> peer_;
};

// The signature 0x5A 0x56 in bytes 3 and 4 of a 15-byte command or peer message.
inline bool has_signature(const ln::Msg& m)
{
    return m[1] == 0x0F && m[3] == 0x5A && m[4] == 0x56;
}
