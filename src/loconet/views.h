#pragma once
// Typed views of LocoNet messages: one small struct per kind of message with
// named fields over its bytes, and builders for the bytes. Builders return
// the message without its checksum (the link or ln::frame adds it). The
// length, checksum and high-bit rules stay in message.h.
//
// A view holds a copy of the message, so it outlives what it was made from.
// Where the opcode alone does not tell the kind, is() says whether a message
// has the view's form; a field of a message of another form reads garbage,
// never out of bounds.

#include "message.h"
#include "opcodes.h"

#include <QByteArray>
#include <array>
#include <initializer_list>

namespace ln {

// Loco address from its high and low 7 bits; a high byte of 0x7F marks a
// short address.
int locoAddress(int hi, int lo);
constexpr int MaxLocoAddress = 16383; // fourteen bits

// Which of F0..F28 a message carries (covered) and which of those are on.
struct FnStates {
    uint32_t covered = 0, on = 0;
    void set(int f, bool v);
    // Functions first..first+count-1 from the low bits of value.
    void setRange(int first, int count, int value);
    bool has(int f) const { return covered >> f & 1; }
    bool isOn(int f) const { return on >> f & 1; }
};

// The direction byte (A1, B6, slot data): bit 5 reverse, bit 4 F0, bits 0..3 F1..F4.
bool reverse(int dirf);
FnStates dirfFunctions(int dirf);

struct View {
    View() = default;
    explicit View(const Msg& msg) : m(msg) {}
    Msg m;
};

// A0: speed of a slot. 0 stop, 1 emergency stop, 2..127 running.
struct LocoSpeed : View {
    using View::View;
    int slot() const { return m[1]; }
    int speed() const { return m[2]; }
    static QByteArray make(int slot, int speed);
};

// A1: direction and F0..F4 of a slot.
struct LocoDirf : View {
    static constexpr int Reverse = 0x20; // the direction bit of DIRF: set is backwards
    using View::View;
    int slot() const { return m[1]; }
    int dirf() const { return m[2]; }
    static QByteArray make(int slot, int dirf);
};

// A2: F5..F8 of a slot in bits 0..3.
struct LocoSound : View {
    using View::View;
    int slot() const { return m[1]; }
    int snd() const { return m[2]; }
    FnStates functions() const;
    static QByteArray make(int slot, int snd);
};

// A3: F9..F12 of a slot in bits 0..3.
struct LocoF9F12 : View {
    using View::View;
    int slot() const { return m[1]; }
    int bits() const { return m[2]; }
    FnStates functions() const;
};

// Use state in bits 5..4 of a slot's status byte.
enum SlotUse : uint8_t { UseFree = 0x00, UseCommon = 0x10, UseIdle = 0x20, UseInUse = 0x30 };

// B5: a slot's status byte.
struct SlotStatus : View {
    using View::View;
    int slot() const { return m[1]; }
    int status() const { return m[2]; }
    static QByteArray make(int slot, int status);
};

// B6: functions of a slot linked into a consist (direction byte form).
struct ConsistFunc : View {
    using View::View;
    int slot() const { return m[1]; }
    int dirf() const { return m[2]; }
};

// B9 links the first slot to the second, B8 takes it out again.
struct LinkSlots : View {
    using View::View;
    bool link() const { return m.op() == op::LinkSlots; }
    int first() const { return m[1]; }
    int second() const { return m[2]; }
};

// BA: move slot data from one slot to another. From = to takes the slot
// into use; to 0 puts it aside for a simple throttle; from 0 fetches that.
struct MoveSlots : View {
    using View::View;
    int from() const { return m[1]; }
    int to() const { return m[2]; }
    static QByteArray make(int from, int to);
};

// BB: ask for the data of a slot.
struct SlotRequest : View {
    using View::View;
    int slot() const { return m[1]; }
    static QByteArray make(int slot);
};

// BF (or BE of the newer station software): ask for the slot of a loco.
struct LocoRequest : View {
    using View::View;
    int address() const { return locoAddress(m[1], m[2]); }
    static QByteArray make(int address, uint8_t opcode = op::LocoAdr);
};

// B0 (BD: the same, answered by a long acknowledge): switch an output.
// Accessory address 0..2047 as on the wire; the user counts from 1.
struct SwitchRequest : View {
    using View::View;
    int address() const { return (m[2] & 0x0F) << 7 | m[1]; }
    bool green() const { return m[2] & 0x20; } // closed; red is thrown
    bool on() const { return m[2] & 0x10; }
    // Addresses 1016..1019 ask every device to report its state.
    bool interrogate() const { return address() >= 1016 && address() <= 1019; }
    static QByteArray make(int address, bool green, bool on, uint8_t opcode = op::SwReq);
};

// BC: ask for the state of an accessory (answered by a long acknowledge).
struct SwitchState : View {
    using View::View;
    int address() const { return (m[2] & 0x0F) << 7 | m[1]; }
    static QByteArray make(int address);
};

// B1: an accessory decoder reports either its outputs or one of its inputs.
struct SwitchReport : View {
    using View::View;
    int address() const { return (m[2] & 0x0F) << 7 | m[1]; }
    bool inputForm() const { return m[2] & 0x40; }
    // Input form: the switch input (else the auxiliary input) and its level.
    bool switchInput() const { return m[2] & 0x20; }
    bool level() const { return m[2] & 0x10; }
    // Output form: which outputs are powered.
    bool greenOn() const { return m[2] & 0x20; }
    bool redOn() const { return m[2] & 0x10; }
};

// B2: sensor 0..4095 (the user counts from 1) and its level.
struct SensorReport : View {
    using View::View;
    int sensor() const { return (m[2] & 0x0F) << 8 | m[1] << 1 | (m[2] & 0x20) >> 5; }
    bool occupied() const { return m[2] & 0x10; }
    // Bit 0x40 is set when sending and never examined.
    static QByteArray make(int sensor, bool occupied);
};

// B4: the answer to a request: its opcode and a code.
struct LongAck : View {
    using View::View;
    uint8_t answers() const { return uint8_t(m[1] | 0x80); }
    int code() const { return m[2]; }
    static QByteArray make(uint8_t opcode, int code);
};

// D0: transponding (a loco found in or gone from a zone) and power-manager
// reports.
struct MultiSense : View {
    using View::View;
    enum class Kind { Absent, Present, Power, Other };
    Kind kind() const;
    int zone() const { return (m[1] & 0x1F) << 7 | m[2]; } // transponding zone 0..4095
    int loco() const { return m[3] == 0x7D ? m[4] : m[3] << 7 | m[4]; }
    // Power manager status: board 1..256 and its four sub-districts.
    bool powerStatus() const { return kind() == Kind::Power && (m[3] & 0x50) == 0x10; }
    int board() const { return ((m[1] & 0x01) << 7 | m[2]) + 1; }
    bool autoReverse(int district) const { return m[3] >> district & 1; }
    bool tripped(int district) const { return m[4] >> district & 1; }
};

// D4 20: a function group of a slot, as the station keeps it.
struct FunctionGroup : View {
    using View::View;
    static bool is(const Msg& m) { return m.op() == op::FnGroup && m[1] == 0x20; }
    int slot() const { return m[2]; }
    int group() const { return m[3]; }
    int value() const { return m[4]; }
    // Groups 5 (F12, F20, F28), 7 (F5..F11), 8 (F13..F19), 9 (F21..F27);
    // nothing for the others.
    FnStates functions() const;
    static QByteArray make(int slot, int group, int value);
};

// E4 08: a train-identification receiver reports a loco, its speed or that
// its display is to be cleared. Anything else of kind 1 is ignored.
struct TrainIdReport : View {
    using View::View;
    static constexpr int Length = 8;
    static bool is(const Msg& m) { return m.op() == op::TrainId && m[1] == Length; }
    enum class Kind { Loco, Speed, Clear, Ignored };
    enum class Direction { None = 0, S1toS2 = 2, S2toS1 = 3 };
    Kind kind() const;
    int receiver() const { return (m[3] & 0x0F) << 7 | m[4]; }
    int category() const { return m[2] & 3; } // 0..3 for categories 1..4
    int loco() const { return m[5] << 7 | m[6]; }
    Direction direction() const;
    int kmh() const { return (m[5] & 3) << 7 | m[6]; }
    static QByteArray makeLoco(int receiver, int loco, int category, Direction d);
    static QByteArray makeSpeed(int receiver, int kmh);
    static QByteArray makeClear(int receiver);
};

// Slots with a meaning of their own.
namespace slot {
constexpr int Station = 0; // the station's own data (its identity)
constexpr int FirstLoco = 1, LastLoco = 119;
constexpr int FastClock = 0x7B;
constexpr int Programmer = 0x7C;
constexpr int Options = 0x7E, MoreOptions = 0x7F; // the station's option switches
} // namespace slot

// E7 0E slot data, EF 0E the same written to the station.
struct SlotData : View {
    using View::View;
    static constexpr int Length = 14;
    static bool is(const Msg& m)
    {
        return (m.op() == op::SlRdData || m.op() == op::WrSlData) && m[1] == Length;
    }
    bool write() const { return m.op() == op::WrSlData; }
    int slot() const { return m[2]; }
    int status() const { return m[3]; }
    int address() const { return locoAddress(m[9], m[4]); }
    int speed() const { return m[5]; }
    int dirf() const { return m[6]; }
    int track() const { return m[7]; } // bit 0 power on
    int snd() const { return m[10]; }
    struct Fields {
        uint8_t opcode = op::SlRdData;
        int slot = 0, stat = 0, address = 0, speed = 0, dirf = 0, trk = 0, ss2 = 0, snd = 0,
            id1 = 0, id2 = 0;
    };
    static QByteArray make(const Fields& f);
};

// Slot data of the programmer slot: E7 the reply, EF the request.
struct ProgTask : View {
    using View::View;
    static bool is(const Msg& m) { return SlotData::is(m) && m[2] == slot::Programmer; }
    enum class Mode { Paged, Direct, DirectBit, Register, Reserved, OpsByte, OpsBit };
    Mode mode() const;
    bool write() const { return m[3] & 0x40; }
    bool feedback() const { return m[3] & 0x08; } // operations mode: the decoder answers
    int status() const { return m[4]; }           // programmer status of a reply
    int opsAddress() const { return m[5] << 7 | m[6]; }
    // The CV field 0..1023 as on the wire, and the CV as the user counts it.
    int cvField() const { return (m[8] & 0x30) << 4 | (m[8] & 0x01) << 7 | m[9]; }
    int cv() const { return cvField() + 1; }
    int value() const { return (m[8] & 0x02) << 6 | m[10]; }
    struct Fields {
        uint8_t opcode = op::SlRdData;
        int pcmd = 0, pstat = 0, opsAddress = 0, trk = 0, cvField = 0, value = 0;
    };
    static QByteArray make(const Fields& f);
};

// Slot data of the fast clock.
struct FastClock : View {
    using View::View;
    static bool is(const Msg& m) { return SlotData::is(m) && m[2] == slot::FastClock; }
    int rate() const { return m[3]; } // 0 stopped, else model minutes per minute
    // -1 when the byte holds no valid time.
    int minute() const;
    int hour() const;
    int days() const { return m[9]; }
};

// E6 15 00 extended slot data (EE 15 00 written to the station).
struct SlotDataExt : View {
    using View::View;
    static constexpr int Length = 21;
    static bool is(const Msg& m)
    {
        return (m.op() == op::SlRdDataExt || m.op() == op::WrSlDataExt) && m[1] == Length &&
               m[2] == 0;
    }
    bool write() const { return m.op() == op::WrSlDataExt; }
    int slot() const { return m[3]; }
    int status() const { return m[4]; }
    int address() const { return locoAddress(m[6], m[5]); }
    int speed() const { return m[8]; }
    int dirf() const { return m[10]; }
};

// E6 10 / EE 10: a line of one of the station's tables (routes and the like).
struct TableData : View {
    using View::View;
    static constexpr int Length = 16;
    static bool is(const Msg& m)
    {
        return (m.op() == op::SlRdDataExt || m.op() == op::WrSlDataExt) && m[1] == Length;
    }
    bool write() const { return m.op() == op::WrSlDataExt; }
    int table() const { return m[2]; }
    int task() const { return m[3]; } // 2 read, 3 write
    int block() const { return m[5] << 7 | m[4]; }
};

// Data bytes 7..13 of a 15-byte message as full 8-bit values.
using PeerData = std::array<int, 7>;

// E5 0F / ED 0F: 15-byte peer and command messages. Byte 2 is the sender,
// bytes 3 and 4 a signature or destination, byte 5 the command; bytes 7..13
// carry 8-bit data whose bit 7 travels in byte 6. The view holds the data
// restored.
struct PeerMessage : View {
    explicit PeerMessage(const Msg& msg);
    static constexpr int Length = 15;
    static bool is(const Msg& m)
    {
        return (m.op() == op::PeerXfer || m.op() == op::ImmPacket) && m[1] == Length;
    }
    // The station's own commands and answers carry 5A 56 in bytes 3 and 4.
    bool station() const { return m[3] == 0x5A && m[4] == 0x56; }
    int command() const { return m[5]; }
    int data(int k) const { return m[7 + k]; }                   // k = 0..6
    int word(int k) const { return data(k) | data(k + 1) << 8; } // low byte first
    static QByteArray make(uint8_t opcode, int b2, int b3, int b4, int command,
                           const PeerData& data);
    // ED 0F 01 5A 56: a command to the station.
    static QByteArray stationCommand(int command, const PeerData& data = {});
    // E5 0F 01 5A 56: the station's answer.
    static QByteArray stationAnswer(int command, const PeerData& data = {});
};

// Command bytes of the station's 15-byte messages.
namespace cmd {
constexpr int WriteOption = 0x01, ReadOption = 0x02, ReadVersion = 0x06, ReadSerial = 0x07,
              WriteFormat = 0x0C, ReadFormat = 0x0D, DirToggle = 0x15, Reset = 0x18;
constexpr int OptionValue = 0x00, Version = 0x08, Serial = 0x09, Format = 0x0B;
constexpr int LncvWrite = 0x20, LncvRead = 0x21, LncvAnswer = 0x1F;
} // namespace cmd

// LNCV module programming: requests to 05 00 (0x21 start, read, end;
// 0x20 write) and answers (0x1F), each as E5 or ED. Fields are 16 bits.
struct LncvMessage : PeerMessage {
    using PeerMessage::PeerMessage;
    static bool is(const Msg& m);
    enum class Kind { Start, End, Read, Write, Answer };
    static constexpr int FlagStart = 0x80, FlagEnd = 0x40;
    static constexpr int AllModules = 0xFFFF; // module address of a start that asks every module
    Kind kind() const;
    int article() const { return word(0); } // the article number / 10
    int lncv() const { return word(2); }
    int value() const { return word(4); } // start and end: the module address
    static QByteArray request(Kind kind, int article, int lncv, int value);
    static QByteArray answer(int article, int lncv, int value);
};

// E5 07 01 5A 56 41 / 40: the station's programming track on or off.
struct ProgTrackMode : View {
    using View::View;
    static bool is(const Msg& m);
    bool on() const { return m[5] == 0x41; }
    static QByteArray make(bool on);
};

// ED 1F 01 5A 56: the station's own programming-track request (CV 1..1024
// as the user counts them).
struct StationProgRequest : View {
    using View::View;
    static constexpr int Length = 31;
    static bool is(const Msg& m);
    bool write() const { return m[6] == 0x71; }
    int cv() const { return m[7] | (m[5] & 0x02) << 6 | m[8] << 8; }
    int value() const { return m[9] | (m[5] & 0x08) << 4; }
    static QByteArray make(bool write, int cv, int value);
};

// ED 0B 7F: a DCC packet of up to five bytes for the track.
struct ImmPacket : View {
    using View::View;
    static bool is(const Msg& m) { return m.op() == op::ImmPacket && m[1] == 11 && m[2] == 0x7F; }
    int repeats() const { return m[3] & 0x07; }
    QByteArray packet() const; // bit 7 of each byte restored
};

// E5 10: SV module programming. Version 2 (byte 4 = 2) in every form;
// version 1 only as the computer's (0x50) requests to a module. Bytes 5 and
// 10 carry bit 7 of bytes 6..9 and 11..14; the view holds them restored.
struct SvMessage : View {
    explicit SvMessage(const Msg& msg);
    static bool is(const Msg& m) { return isV1(m) || isV2(m); }
    static bool isV2(const Msg& m);
    static bool isV1(const Msg& m);
    bool v2() const { return m[4] == 0x02; }
    // Version 2; an answer carries its command + 0x40.
    int command() const { return m[3]; }
    int module() const { return m[6] | m[7] << 8; }
    int sv() const { return m[8] | m[9] << 8; }
    int data(int k) const { return m[11 + k]; } // k = 0..3
    // Version 1: command 1 write, 2 read.
    int v1Module() const { return m[3]; }
    int v1Command() const { return m[6]; }
    int v1Sv() const { return m[7]; }
    int v1Value() const { return m[9]; }
};

} // namespace ln
