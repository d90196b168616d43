#include "programming_track.h"

#include "loconet/message.h"

namespace sim {

Decoder Decoder::standard(int address)
{
    Decoder d;
    d.cvs = {{1, address & 0x7F},
             {2, 2},
             {3, 8},
             {4, 6},
             {5, 255},
             {6, 128},
             {7, 42},
             {8, 13},
             {13, 0},
             {17, 192},
             {18, 0},
             {19, 0},
             {29, 6}};
    // Function mapping F0f..F12 as the DCC defaults have it, and a few
    // decoder-specific settings for a CV table to work on.
    const int mapping[] = {1, 2, 4, 8, 2, 4, 8, 16, 4, 8, 16, 4, 8, 16};
    for (int i = 0; i < 14; ++i)
        d.cvs[33 + i] = mapping[i];
    const int specific[][2] = {{49, 4}, {50, 0}, {51, 32}, {52, 64}, {57, 40}};
    for (const auto& [cv, value] : specific)
        d.cvs[cv] = value;
    for (int i = 1; i <= 28; ++i) // linear speed table in CVs 67..94
        d.cvs[66 + i] = (i * 255 + 14) / 28;
    // Manufacturing data: format, article 12 34 56, serial 4711, made
    // 2024-03-15 10:00 (seconds since 2000, low byte first).
    const int made[] = {1, 56, 34, 12, 0x67, 0x12, 0, 0, 0xA0, 0xD8, 0x86, 0x2D};
    for (int i = 0; i < 12; ++i)
        d.cvs[261 + i] = made[i];
    d.readOnly = {7, 8};
    for (int cv = 261; cv <= 272; ++cv)
        d.readOnly.insert(cv);
    return d;
}

QByteArray ProgrammingTrack::request(const QByteArray& message, uint8_t trk)
{
    const ln::Msg m(message);
    const uint8_t b5 = m[5];
    const bool write = m[6] == 0x71;
    if (!active_ || message.size() != 31 || (b5 & ~0x0A) != 0x71 || (m[6] != 0x71 && m[6] != 0x72))
        return {};
    const int cv = (m[7] | (b5 & 0x02 ? 0x80 : 0)) + 256 * m[8];
    int value = m[9] | (b5 & 0x08 ? 0x80 : 0);
    const uint8_t pstat = access(write, cv, value);
    if (pstat != ProgOk)
        value = 0;
    // Direct byte mode on the service track; CVH: CV bits 7, 8, 9 and data bit 7.
    const int pcmd = write ? 0x68 : 0x28;
    const int cvh = ((cv >> 7) & 1) | (((cv >> 8) & 3) << 4) | (value & 0x80 ? 0x02 : 0);
    return ln::frame(
        {0xE7, 0x0E, Slot, pcmd, pstat, 0, 0, trk, cvh, cv & 0x7F, value & 0x7F, 0, 0});
}

uint8_t ProgrammingTrack::access(bool write, int cv, int& value)
{
    if (!decoder_)
        return ProgNoLoco;
    auto it = decoder_->cvs.find(cv);
    if (it == decoder_->cvs.end() || (write && decoder_->readOnly.contains(cv)))
        return ProgNoCv; // the decoder gives no acknowledge
    if (write)
        *it = value;
    else
        value = *it;
    return ProgOk;
}

} // namespace sim
