#pragma once
// Builders for what the station puts on the wire: long acknowledges and the
// 15-byte peer messages, whose data bytes 7..13 carry their bit 7 in byte 6.

#include <QByteArray>
#include <array>
#include <cstdint>

namespace sim {

// Bytes 7..13 of a 15-byte message as full 8-bit values.
using PeerData = std::array<int, 7>;

// E5 0F b2 b3 b4 cmd, the packed high bits, data, checksum.
QByteArray peerMessage(uint8_t b2, uint8_t b3, uint8_t b4, uint8_t cmd, const PeerData& data);
// The station's own answers: source 01 and the signature 5A 56.
QByteArray stationAnswer(uint8_t cmd, const PeerData& data);
// ED 0F 01 5A 56 cmd: a command to the station, as a throttle sends it.
QByteArray stationCommand(uint8_t cmd, const PeerData& data);
// B4, the acknowledged opcode without bit 7, the code.
QByteArray longAck(uint8_t opcode, uint8_t code);
// Data bytes 7..13 of a received 15-byte message, high bits restored.
PeerData peerData(const QByteArray& message);

} // namespace sim
