#pragma once
// Accessory and sensor messages as LocoNet carries them. Numbers on the wire
// are 0-based: accessory a 0..2047 (11 bits), sensor s 0..4095 (12 bits).
// The route engine sends the same messages.

#include "loconet/message.h"

#include <array>

namespace acc {

// Three bytes without the checksum.
using Bytes = std::array<int, 3>;

struct SwitchReport {
    int a;
    int dir; // 1 green, 0 red
    int on;  // 1 coil powered, 0 off
};

struct SensorReport {
    int s;
    int level; // 1 occupied, 0 free
};

// B0: low seven address bits in byte 1; byte 2 holds the high four with
// the direction (0x20) and the output (0x10).
inline Bytes switch_request(int a, int dir, int on)
{
    return {0xB0, a & 0x7F, ((a >> 7) & 0x0F) | (dir & 1) << 5 | (on & 1) << 4};
}

inline SwitchReport read_switch(const ln::Msg& m)
{
    return {(m[2] & 0x0F) << 7 | (m[1] & 0x7F), (m[2] & 0x20) >> 5, (m[2] & 0x10) >> 4};
}

// BC: the state query carries the address as a switch request does.
inline Bytes switch_query(int a)
{
    return {0xBC, a & 0x7F, (a >> 7) & 0x0F};
}

// B2: s / 2 in byte 1; byte 2 holds s / 256, the lowest bit of s (0x20)
// and the level (0x10). Bit 0x40 is set when sending and never examined.
inline Bytes sensor_report(int s, int level)
{
    return {0xB2, (s >> 1) & 0x7F, ((s >> 8) & 0x0F) | (s & 1) << 5 | (level & 1) << 4 | 0x40};
}

inline SensorReport read_sensor(const ln::Msg& m)
{
    return {(m[2] & 0x0F) << 8 | (m[1] & 0x7F) << 1 | (m[2] & 0x20) >> 5, (m[2] & 0x10) >> 4};
}

} // namespace acc
