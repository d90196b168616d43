#include "programming_track.h"

#include "loconet/message.h"
#include "loconet/views.h"

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
    if (!active_ || message.size() != ln::StationProgRequest::Length ||
        !ln::StationProgRequest::is(m))
        return {};
    const ln::StationProgRequest r(m);
    const int cv = r.cv();
    int value = r.value();
    const uint8_t pstat = access(r.write(), cv, value);
    if (pstat != ProgOk)
        value = 0;
    // Direct byte mode on the service track, the CV as the request counts it.
    constexpr int DirectByte = 0x28, Write = 0x40;
    return ln::frame(ln::ProgTask::make({.pcmd = DirectByte | (r.write() ? Write : 0),
                                         .pstat = pstat,
                                         .trk = trk,
                                         .cvField = cv,
                                         .value = value}));
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
