#include "views.h"

#include <algorithm>

namespace ln {

int locoAddress(int hi, int lo)
{
    return hi == 0x7F ? lo : hi << 7 | lo;
}

void FnStates::set(int f, bool v)
{
    covered |= 1u << f;
    if (v)
        on |= 1u << f;
}

void FnStates::setRange(int first, int count, int value)
{
    for (int k = 0; k < count; ++k)
        set(first + k, value >> k & 1);
}

bool reverse(int dirf)
{
    return dirf & 0x20;
}

FnStates dirfFunctions(int dirf)
{
    FnStates f;
    f.set(0, dirf & 0x10);
    f.setRange(1, 4, dirf);
    return f;
}

QByteArray LocoSpeed::make(int slot, int speed)
{
    return bytes({op::LocoSpd, slot, speed});
}

QByteArray LocoDirf::make(int slot, int dirf)
{
    return bytes({op::LocoDirf, slot, dirf});
}

FnStates LocoSound::functions() const
{
    FnStates f;
    f.setRange(5, 4, snd());
    return f;
}

QByteArray LocoSound::make(int slot, int snd)
{
    return bytes({op::LocoSnd, slot, snd});
}

FnStates LocoF9F12::functions() const
{
    FnStates f;
    f.setRange(9, 4, bits());
    return f;
}

QByteArray SlotStatus::make(int slot, int status)
{
    return bytes({op::SlotStat1, slot, status});
}

QByteArray MoveSlots::make(int from, int to)
{
    return bytes({op::MoveSlots, from, to});
}

QByteArray SlotRequest::make(int slot)
{
    return bytes({op::RqSlData, slot, 0});
}

QByteArray LocoRequest::make(int address, uint8_t opcode)
{
    return bytes({opcode, (address >> 7) & 0x7F, address & 0x7F});
}

QByteArray SwitchRequest::make(int address, bool green, bool on, uint8_t opcode)
{
    return bytes(
        {opcode, address & 0x7F, (address >> 7 & 0x0F) | (green ? 0x20 : 0) | (on ? 0x10 : 0)});
}

QByteArray SwitchState::make(int address)
{
    return bytes({op::SwState, address & 0x7F, address >> 7 & 0x0F});
}

QByteArray SensorReport::make(int sensor, bool occupied)
{
    return bytes({op::InputRep, sensor >> 1 & 0x7F,
                  0x40 | (sensor >> 8 & 0x0F) | (sensor & 1) << 5 | (occupied ? 0x10 : 0)});
}

QByteArray LongAck::make(uint8_t opcode, int code)
{
    return bytes({op::LongAck, opcode & 0x7F, code});
}

MultiSense::Kind MultiSense::kind() const
{
    switch (m[1] & 0x60) {
    case 0x00: return Kind::Absent;
    case 0x20: return Kind::Present;
    case 0x60: return Kind::Power;
    default: return Kind::Other;
    }
}

FnStates FunctionGroup::functions() const
{
    FnStates f;
    const int v = value();
    switch (group()) {
    case 5:
        f.set(12, v & 0x10);
        f.set(20, v & 0x20);
        f.set(28, v & 0x40);
        break;
    case 7:
        f.setRange(5, 4, v);
        f.setRange(9, 3, v >> 4);
        break;
    case 8: f.setRange(13, 7, v); break;
    case 9: f.setRange(21, 7, v); break;
    default: break;
    }
    return f;
}

QByteArray FunctionGroup::make(int slot, int group, int value)
{
    return bytes({op::FnGroup, 0x20, slot, group, value});
}

TrainIdReport::Kind TrainIdReport::kind() const
{
    if ((m[3] >> 5 & 3) != 1)
        return Kind::Loco;
    if (m[2] == 0)
        return Kind::Speed;
    return m[2] == 1 && m[6] == 2 ? Kind::Clear : Kind::Ignored;
}

TrainIdReport::Direction TrainIdReport::direction() const
{
    switch (m[3] >> 5 & 3) {
    case 2: return Direction::S1toS2;
    case 3: return Direction::S2toS1;
    default: return Direction::None;
    }
}

namespace {
QByteArray trainId(int b2, int kind, int receiver, int b5, int b6)
{
    return bytes({op::TrainId, TrainIdReport::Length, b2, kind << 5 | (receiver >> 7 & 0x0F),
                  receiver & 0x7F, b5, b6});
}
} // namespace

QByteArray TrainIdReport::makeLoco(int receiver, int loco, int category, Direction d)
{
    return trainId(category & 3, int(d), receiver, loco >> 7 & 0x7F, loco & 0x7F);
}

QByteArray TrainIdReport::makeSpeed(int receiver, int kmh)
{
    return trainId(0, 1, receiver, kmh >> 7 & 0x03, kmh & 0x7F);
}

QByteArray TrainIdReport::makeClear(int receiver)
{
    return trainId(1, 1, receiver, 0, 2);
}

QByteArray SlotData::make(const Fields& f)
{
    return bytes({f.opcode, Length, f.slot, f.stat, f.address & 0x7F, f.speed, f.dirf, f.trk, f.ss2,
                  f.address >> 7 & 0x7F, f.snd, f.id1, f.id2});
}

ProgTask::Mode ProgTask::mode() const
{
    const int pcmd = m[3];
    const bool byte = pcmd & 0x20;
    if (pcmd & 0x04)
        return byte ? Mode::OpsByte : Mode::OpsBit;
    switch (pcmd >> 3 & 3) {
    case 0: return Mode::Paged;
    case 1: return byte ? Mode::Direct : Mode::DirectBit;
    case 2: return Mode::Register;
    default: return Mode::Reserved;
    }
}

QByteArray ProgTask::make(const Fields& f)
{
    const int cvh = (f.cvField >> 7 & 1) | (f.cvField >> 8 & 3) << 4 | (f.value & 0x80 ? 0x02 : 0);
    return bytes({f.opcode, SlotData::Length, slot::Programmer, f.pcmd, f.pstat,
                  f.opsAddress >> 7 & 0x7F, f.opsAddress & 0x7F, f.trk, cvh, f.cvField & 0x7F,
                  f.value & 0x7F, 0, 0});
}

int FastClock::minute() const
{
    // Counted up from 128 - 60 so that the byte overflows at the full hour.
    const int v = m[6] - (128 - 60);
    return v >= 0 && v < 60 ? v : -1;
}

int FastClock::hour() const
{
    const int v = m[8] - (128 - 24);
    return v >= 0 && v < 24 ? v : -1;
}

PeerMessage::PeerMessage(const Msg& msg) : View(msg)
{
    unpackHibits(m.data());
}

QByteArray PeerMessage::make(uint8_t opcode, int b2, int b3, int b4, int command,
                             const PeerData& data)
{
    uint8_t b[Length - 1] = {opcode,           Length, uint8_t(b2), uint8_t(b3), uint8_t(b4),
                             uint8_t(command), 0};
    for (int k = 0; k < 7; ++k)
        b[7 + k] = uint8_t(data[size_t(k)]);
    packHibits(b);
    return QByteArray(reinterpret_cast<const char*>(b), Length - 1);
}

QByteArray PeerMessage::stationCommand(int command, const PeerData& data)
{
    return make(op::ImmPacket, 0x01, 0x5A, 0x56, command, data);
}

QByteArray PeerMessage::stationAnswer(int command, const PeerData& data)
{
    return make(op::PeerXfer, 0x01, 0x5A, 0x56, command, data);
}

bool LncvMessage::is(const Msg& m)
{
    if (!PeerMessage::is(m))
        return false;
    // Requests go to destination 05 00; answers are told by their command
    // alone (the modules differ in bytes 2..4), except the station's own.
    if (m[5] == cmd::LncvWrite || m[5] == cmd::LncvRead)
        return m[3] == 0x05 && m[4] == 0x00;
    return m[5] == cmd::LncvAnswer && !(m[3] == 0x5A && m[4] == 0x56);
}

LncvMessage::Kind LncvMessage::kind() const
{
    switch (command()) {
    case cmd::LncvWrite: return Kind::Write;
    case cmd::LncvAnswer: return Kind::Answer;
    default: break;
    }
    const int flags = data(6);
    return flags & FlagStart ? Kind::Start : flags & FlagEnd ? Kind::End : Kind::Read;
}

QByteArray LncvMessage::request(Kind kind, int article, int lncv, int value)
{
    const int flags = kind == Kind::Start ? FlagStart : kind == Kind::End ? FlagEnd : 0;
    return make(op::ImmPacket, 0x01, 0x05, 0x00,
                kind == Kind::Write ? cmd::LncvWrite : cmd::LncvRead,
                {article & 0xFF, article >> 8 & 0xFF, lncv & 0xFF, lncv >> 8 & 0xFF, value & 0xFF,
                 value >> 8 & 0xFF, flags});
}

QByteArray LncvMessage::answer(int article, int lncv, int value)
{
    return make(op::PeerXfer, 0x05, 0x00, 0x00, cmd::LncvAnswer,
                {article & 0xFF, article >> 8 & 0xFF, lncv & 0xFF, lncv >> 8 & 0xFF, value & 0xFF,
                 value >> 8 & 0xFF, 0});
}

bool ProgTrackMode::is(const Msg& m)
{
    return m.op() == op::PeerXfer && m[1] == 7 && m[2] == 0x01 && m[3] == 0x5A && m[4] == 0x56 &&
           (m[5] == 0x40 || m[5] == 0x41);
}

QByteArray ProgTrackMode::make(bool on)
{
    return bytes({op::PeerXfer, 7, 0x01, 0x5A, 0x56, on ? 0x41 : 0x40});
}

bool StationProgRequest::is(const Msg& m)
{
    return m.op() == op::ImmPacket && m[1] == Length && m[3] == 0x5A && m[4] == 0x56 &&
           (m[5] & ~0x0A) == 0x71 && (m[6] == 0x71 || m[6] == 0x72);
}

QByteArray StationProgRequest::make(bool write, int cv, int value)
{
    QByteArray b(Length - 1, '\0');
    const int head[] = {op::ImmPacket,
                        Length,
                        0x01,
                        0x5A,
                        0x56,
                        0x71 | (cv & 0x80 ? 0x02 : 0) | (write && (value & 0x80) ? 0x08 : 0),
                        write ? 0x71 : 0x72,
                        cv & 0x7F,
                        cv >> 8 & 0x7F,
                        write ? value & 0x7F : 0,
                        0x70};
    for (size_t i = 0; i < std::size(head); ++i)
        b[qsizetype(i)] = char(head[i]);
    b[15] = 0x10;
    return b;
}

QByteArray ImmPacket::packet() const
{
    const int n = std::min(m[3] >> 4 & 0x07, 5);
    QByteArray p;
    for (int k = 0; k < n; ++k)
        p.append(char(m[5 + k] | (m[4] >> k & 1) << 7));
    return p;
}

SvMessage::SvMessage(const Msg& msg) : View(msg)
{
    for (int k = 0; k < 4; ++k) {
        m.data()[6 + k] |= uint8_t((m[5] >> k & 1) << 7);
        m.data()[11 + k] |= uint8_t((m[10] >> k & 1) << 7);
    }
}

bool SvMessage::isV2(const Msg& m)
{
    return m.op() == op::PeerXfer && m[1] == 16 && m[4] == 0x02 && (m[5] & 0x70) == 0x10 &&
           (m[10] & 0x70) == 0x10;
}

bool SvMessage::isV1(const Msg& m)
{
    return m.op() == op::PeerXfer && m[1] == 16 && m[2] == 0x50 && m[4] == 0x01 &&
           (m[6] == 1 || m[6] == 2);
}

} // namespace ln
