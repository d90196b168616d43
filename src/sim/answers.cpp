#include "answers.h"

#include "loconet/message.h"

namespace sim {

namespace {
QByteArray fifteen(uint8_t op, uint8_t b2, uint8_t b3, uint8_t b4, uint8_t cmd,
                   const PeerData& data)
{
    uint8_t m[14] = {op, 0x0F, b2, b3, b4, cmd, 0};
    for (int k = 0; k < 7; ++k)
        m[7 + k] = uint8_t(data[size_t(k)]);
    ln::packHibits(m);
    return ln::frame(QByteArray(reinterpret_cast<const char*>(m), 14));
}
} // namespace

QByteArray peerMessage(uint8_t b2, uint8_t b3, uint8_t b4, uint8_t cmd, const PeerData& data)
{
    return fifteen(0xE5, b2, b3, b4, cmd, data);
}

QByteArray stationCommand(uint8_t cmd, const PeerData& data)
{
    return fifteen(0xED, 0x01, 0x5A, 0x56, cmd, data);
}

QByteArray stationAnswer(uint8_t cmd, const PeerData& data)
{
    return peerMessage(0x01, 0x5A, 0x56, cmd, data);
}

QByteArray longAck(uint8_t opcode, uint8_t code)
{
    return ln::frame({0xB4, opcode & 0x7F, code});
}

PeerData peerData(const QByteArray& message)
{
    ln::Msg m(message);
    ln::unpackHibits(m.data());
    PeerData d;
    for (int k = 0; k < 7; ++k)
        d[size_t(k)] = m[7 + k];
    return d;
}

} // namespace sim
