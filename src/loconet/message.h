#pragma once
// LocoNet message rules: length by opcode, checksum, the high-bit byte of the
// 15-byte command/peer messages. Shared by the program and the virtual station.

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <initializer_list>

namespace ln {

constexpr int MaxLen = 64; // longest message, checksum included

// Length implied by the opcode: 2, 4 or 6 bytes, or -1 when byte 1 holds it.
int opcodeLength(uint8_t opcode);

// 0xFF XOR every byte; appended as the last byte of a message.
uint8_t checksum(const uint8_t* bytes, int count);
uint8_t checksum(const QByteArray& bytesWithoutChecksum);

// The bytes given, as they are.
QByteArray bytes(std::initializer_list<int> values);

// The bytes given, followed by their checksum.
QByteArray frame(std::initializer_list<int> bytesWithoutChecksum);
QByteArray frame(const QByteArray& bytesWithoutChecksum);

// True when the XOR of all bytes is 0xFF.
bool checksumOk(const QByteArray& message);
// True when the bytes are one whole message: the length its opcode (or
// byte 1) gives, checksum included and correct.
bool isWholeMessage(const uint8_t* bytes, int count);

// Bytes 7..13 of a 15-byte command message: bit 7 moves to bit k of byte 6.
void packHibits(uint8_t* msg);
// Inverse: bit k of byte 6 becomes bit 7 of byte 7+k.
void unpackHibits(uint8_t* msg);

// "E7 0E 00" style text, two hex digits per byte.
QString hex(const QByteArray& bytes);
// A byte typed as one or two hex digits ("7", "E7"); -1 for anything else.
int hexByte(QByteArrayView token);

// A received message as a value: 65 bytes, bounds-safe.
class Msg {
  public:
    Msg() { d_.fill(0); }
    explicit Msg(const QByteArray& bytes);
    uint8_t operator[](int k) const { return k >= 0 && k < 65 ? d_[size_t(k)] : 0; }
    uint8_t op() const { return d_[0]; }
    // Length of the message by the opcode rule; 0 when byte 1 is no valid length.
    int length() const;
    QByteArray bytes() const
    {
        return QByteArray(reinterpret_cast<const char*>(d_.data()), length());
    }
    uint8_t* data() { return d_.data(); }
    const uint8_t* data() const { return d_.data(); }

  private:
    std::array<uint8_t, 65> d_;
};

} // namespace ln
