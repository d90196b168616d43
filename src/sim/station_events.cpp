// What the other devices on the bus do: their messages go onto the wire and
// the station hears them like any other message.

#include "virtual_station.h"

#include "core/clock.h"
#include "loconet/message.h"
#include "loconet/views.h"

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
    at = deviceSends(ln::frame(ln::LocoRequest::make(address)), at) + options_.answerDelay;
    return slots_.find(address);
}

// A throttle device given a loco asks for it and for its data format, which
// it needs to show the speed step.
void VirtualStation::deviceTakesOver(int address, double at)
{
    at = deviceSends(ln::frame(ln::LocoRequest::make(address)), at);
    deviceSends(ln::frame(ln::PeerMessage::stationCommand(
                    ln::cmd::ReadFormat, {address & 0xFF, address >> 8 & 0x3F, 0, 0, 0, 0, 0})),
                at + options_.answerDelay);
}

void VirtualStation::setSensor(int number, bool occupied)
{
    if (number < 1 || number > int(sensors_.size()))
        return;
    deviceSends(ln::frame(ln::SensorReport::make(number - 1, occupied)), clock_.now());
}

void VirtualStation::switchAccessory(int number, bool green)
{
    if (number < 1 || number > int(accessories_.size()))
        return;
    for (bool on : {true, false})
        deviceSends(ln::frame(ln::SwitchRequest::make(number - 1, green, on)), clock_.now());
}

void VirtualStation::setPower(bool on)
{
    deviceSends(ln::frame(ln::bytes({on ? ln::op::GpOn : ln::op::GpOff})), clock_.now());
}

void VirtualStation::kennixLoco(int receiver, int loco, int category, KennixDirection direction)
{
    deviceSends(ln::frame(ln::TrainIdReport::makeLoco(receiver, loco, category - 1, direction)),
                clock_.now());
}

void VirtualStation::kennixSpeed(int receiver, int kmh)
{
    deviceSends(ln::frame(ln::TrainIdReport::makeSpeed(receiver, kmh)), clock_.now());
}

void VirtualStation::kennixClear(int receiver)
{
    deviceSends(ln::frame(ln::TrainIdReport::makeClear(receiver)), clock_.now());
}

void VirtualStation::throttleSpeed(int address, int speed)
{
    double at = clock_.now();
    if (const int slot = deviceTakesLoco(address, at))
        deviceSends(ln::frame(ln::LocoSpeed::make(slot, speed & 0x7F)), at);
}

void VirtualStation::throttleDirf(int address, int dirf)
{
    double at = clock_.now();
    if (const int slot = deviceTakesLoco(address, at))
        deviceSends(ln::frame(ln::LocoDirf::make(slot, dirf & 0x7F)), at);
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
    deviceSends(
        ln::frame(sound ? ln::LocoSound::make(slot, value) : ln::LocoDirf::make(slot, value)), at);
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
