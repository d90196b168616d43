#pragma once
// LocoNet opcodes by name, and the name the monitor shows for each.

#include <QString>
#include <cstdint>

namespace ln {
namespace op {
constexpr uint8_t Busy = 0x81;          // the bus is busy; nothing to do
constexpr uint8_t GpOff = 0x82;         // track power off (STOP)
constexpr uint8_t GpOn = 0x83;          // track power on (GO)
constexpr uint8_t Idle = 0x85;          // every loco stops at once
constexpr uint8_t LocoSpd = 0xA0;       // slot, speed
constexpr uint8_t LocoDirf = 0xA1;      // slot, direction and F0..F4
constexpr uint8_t LocoSnd = 0xA2;       // slot, F5..F8
constexpr uint8_t LocoF9F12 = 0xA3;     // slot, F9..F12
constexpr uint8_t SwReq = 0xB0;         // switch an accessory output
constexpr uint8_t SwRep = 0xB1;         // an accessory reports its output or input
constexpr uint8_t InputRep = 0xB2;      // a sensor reports its level
constexpr uint8_t LongAck = 0xB4;       // answer to a request: its opcode and a code
constexpr uint8_t SlotStat1 = 0xB5;     // slot, status byte
constexpr uint8_t ConsistFunc = 0xB6;   // functions of a slot within a consist
constexpr uint8_t UnlinkSlots = 0xB8;   // take a slot out of a consist
constexpr uint8_t LinkSlots = 0xB9;     // join a slot to a consist
constexpr uint8_t MoveSlots = 0xBA;     // move, take or dispatch a slot
constexpr uint8_t RqSlData = 0xBB;      // ask for a slot's data
constexpr uint8_t SwState = 0xBC;       // ask for an accessory's state
constexpr uint8_t SwAck = 0xBD;         // switch request answered by a long acknowledge
constexpr uint8_t LocoAdrAlt = 0xBE;    // loco request of the newer station software
constexpr uint8_t LocoAdr = 0xBF;       // ask for the slot of a loco address
constexpr uint8_t MultiSense = 0xD0;    // transponding and power-manager reports
constexpr uint8_t FnGroup = 0xD4;       // a function group of a slot
constexpr uint8_t PanelResponse = 0xD7; // a radio receiver answers
constexpr uint8_t PanelQuery = 0xDF;    // the radio receivers are asked
constexpr uint8_t TrainId = 0xE4;       // train-identification report
constexpr uint8_t PeerXfer = 0xE5;      // peer messages between devices
constexpr uint8_t SlRdDataExt = 0xE6;   // extended slot data; table data
constexpr uint8_t SlRdData = 0xE7;      // slot data; programmer reply
constexpr uint8_t ImmPacket = 0xED;     // DCC packet, 15-byte command, programming request
constexpr uint8_t WrSlDataExt = 0xEE;   // write extended slot data; table write
constexpr uint8_t WrSlData = 0xEF;      // write slot data; programming request
} // namespace op

// "OPC_LOCO_SPD"; "Opcode F0" for an opcode without a name.
QString opcodeName(uint8_t opcode);

} // namespace ln
