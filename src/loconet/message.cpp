#include "message.h"

namespace ln {

int opcodeLength(uint8_t opcode)
{
    switch (opcode >> 4) {
    case 0x8:
    case 0x9: return 2;
    case 0xA:
    case 0xB: return 4;
    case 0xC:
    case 0xD: return 6;
    default: return -1;
    }
}

uint8_t checksum(const uint8_t* bytes, int count)
{
    uint8_t c = 0xFF;
    for (int i = 0; i < count; ++i)
        c ^= bytes[i];
    return c;
}

uint8_t checksum(const QByteArray& b)
{
    return checksum(reinterpret_cast<const uint8_t*>(b.constData()), int(b.size()));
}

QByteArray frame(std::initializer_list<int> bytes)
{
    QByteArray b;
    for (int v : bytes)
        b.append(char(v & 0xFF));
    return frame(b);
}

QByteArray frame(const QByteArray& bytes)
{
    QByteArray b = bytes;
    b.append(char(checksum(bytes)));
    return b;
}

bool checksumOk(const QByteArray& m)
{
    return !m.isEmpty() && checksum(m) == 0;
}

bool isWholeMessage(const uint8_t* b, int n)
{
    if (n < 2 || !(b[0] & 0x80))
        return false;
    const int len = opcodeLength(b[0]);
    return (len > 0 ? len : b[1]) == n && checksum(b, n) == 0;
}

void packHibits(uint8_t* msg)
{
    msg[6] = 0;
    for (int k = 0; k < 7; ++k) {
        if (msg[7 + k] & 0x80)
            msg[6] |= uint8_t(1 << k);
        msg[7 + k] &= 0x7F;
    }
}

void unpackHibits(uint8_t* msg)
{
    for (int k = 0; k < 7; ++k)
        if (msg[6] & (1 << k))
            msg[7 + k] |= 0x80;
}

QString hex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

int hexByte(QByteArrayView token)
{
    if (token.isEmpty() || token.size() > 2)
        return -1;
    bool ok = false;
    const int v = token.toInt(&ok, 16);
    // toInt accepts a sign; a byte has none.
    return ok && token[0] != '+' && token[0] != '-' ? v : -1;
}

Msg::Msg(const QByteArray& bytes)
{
    d_.fill(0);
    for (int i = 0; i < bytes.size() && i < 65; ++i)
        d_[size_t(i)] = uint8_t(bytes[i]);
}

int Msg::length() const
{
    int n = opcodeLength(d_[0]);
    if (n > 0)
        return n;
    n = d_[1];
    return n >= 1 && n <= MaxLen ? n : 0;
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray b;
    b.reserve(qsizetype(values.size()));
    for (const int v : values)
        b.append(char(v & 0xFF));
    return b;
}


} // namespace ln
