// What the other devices on the bus do: their messages go onto the wire and
// the station hears them like any other message.

#include "virtual_station.h"

#include "answers.h"
#include "core/clock.h"
#include "loconet/message.h"

#include <algorithm>

namespace sim {

// The bus carries one message after the other: a device message never
// overtakes one queued before it.
double VirtualStation::deviceSends(const QByteArray& message, double at)
{
    at = std::max(at, lastDeviceMessage_);
    lastDeviceMessage_ = at;
    tx_.queue(message, at);
    handle(message, at);
    return at;
}

// A throttle without a slot for the address asks for it first; `at` moves
// on past the station's answer. Returns the slot, 0 when the table is full.
int VirtualStation::deviceTakesLoco(int address, double& at)
{
    if (const int slot = slots_.find(address))
        return slot;
    at = deviceSends(ln::frame({0xBF, (address >> 7) & 0x7F, address & 0x7F}), at) +
         options_.answerDelay;
    return slots_.find(address);
}

// A throttle device given a loco asks for it and for its data format, which
// it needs to show the speed step.
void VirtualStation::deviceTakesOver(int address, double at)
{
    at = deviceSends(ln::frame({0xBF, address >> 7 & 0x7F, address & 0x7F}), at);
    deviceSends(stationCommand(0x0D, {address & 0xFF, address >> 8 & 0x3F, 0, 0, 0, 0, 0}),
                at + options_.answerDelay);
}

void VirtualStation::setSensor(int number, bool occupied)
{
    if (number < 1 || number > int(sensors_.size()))
        return;
    const int s = number - 1;
    const int b2 = 0x40 | (s >> 8 & 0x0F) | (s & 1) << 5 | (occupied ? 0x10 : 0);
    deviceSends(ln::frame({0xB2, s >> 1 & 0x7F, b2}), clock_.now());
}

void VirtualStation::switchAccessory(int number, bool green)
{
    if (number < 1 || number > int(accessories_.size()))
        return;
    const int a = number - 1;
    const int b2 = (a >> 7 & 0x0F) | (green ? 0x20 : 0);
    deviceSends(ln::frame({0xB0, a & 0x7F, b2 | 0x10}), clock_.now());
    deviceSends(ln::frame({0xB0, a & 0x7F, b2}), clock_.now());
}

void VirtualStation::setPower(bool on)
{
    deviceSends(ln::frame({on ? 0x83 : 0x82}), clock_.now());
}

namespace {

QByteArray kennix(int b2, int kind, int receiver, int b5, int b6)
{
    return ln::frame({0xE4, 0x08, b2, kind << 5 | (receiver >> 7 & 0x0F), receiver & 0x7F, b5, b6});
}

} // namespace

void VirtualStation::kennixLoco(int receiver, int loco, int category, KennixDirection direction)
{
    deviceSends(kennix((category - 1) & 3, int(direction), receiver, loco >> 7 & 0x7F, loco & 0x7F),
                clock_.now());
}

void VirtualStation::kennixSpeed(int receiver, int kmh)
{
    deviceSends(kennix(0, 1, receiver, kmh >> 7 & 0x03, kmh & 0x7F), clock_.now());
}

void VirtualStation::kennixClear(int receiver)
{
    deviceSends(kennix(1, 1, receiver, 0, 2), clock_.now());
}

void VirtualStation::throttleSpeed(int address, int speed)
{
    double at = clock_.now();
    if (const int slot = deviceTakesLoco(address, at))
        deviceSends(ln::frame({0xA0, slot, speed & 0x7F}), at);
}

void VirtualStation::throttleDirf(int address, int dirf)
{
    double at = clock_.now();
    if (const int slot = deviceTakesLoco(address, at))
        deviceSends(ln::frame({0xA1, slot, dirf & 0x7F}), at);
}

void VirtualStation::throttleFunction(int address, int function, bool on)
{
    if (function < 0 || function > 8)
        return;
    double at = clock_.now();
    const int slot = deviceTakesLoco(address, at);
    if (!slot)
        return;
    // F0 is bit 4 and F1..F4 bits 0..3 of the direction byte; F5..F8 the sound byte.
    const bool sound = function >= 5;
    const int mask = function == 0 ? 0x10 : sound ? 1 << (function - 5) : 1 << (function - 1);
    const int old = sound ? slots_[slot].snd : slots_[slot].dirf;
    const int value = on ? old | mask : old & ~mask;
    deviceSends(ln::frame({sound ? 0xA2 : 0xA1, slot, value}), at);
}

bool VirtualStation::announcePultrix(int device)
{
    const QByteArray message = lncv_.announce(device);
    if (message.isEmpty())
        return false;
    deviceSends(message, clock_.now());
    return true;
}

} // namespace sim
