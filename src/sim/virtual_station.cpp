#include "virtual_station.h"

#include "answers.h"
#include "core/clock.h"
#include "demo_layout.h"
#include "loconet/message.h"
#include "loconet/port.h"

namespace sim {

namespace {

constexpr int Accessories = 2048, Sensors = 4096;

int defaultVersion(int stationType)
{
    return stationType == 1 ? 1550 : stationType == 3 ? 1000 : 2000;
}

// Two decimal digits in one byte, tens in the high nibble.
int bcd(qint64 n)
{
    return int((n / 10 % 10) << 4 | n % 10);
}

} // namespace

VirtualStation::VirtualStation(Port& port, const Clock& clock, Options options)
    : port_(port), clock_(clock), options_(options), start_(clock.now()), tx_(options.pace),
      accessories_(Accessories, -1), sensors_(Sensors, -1)
{
    if (options_.stationType < 1 || options_.stationType > 3)
        options_.stationType = 2;
    if (options_.version <= 0)
        options_.version = defaultVersion(options_.stationType);
    power_ = settings_.option(97).value_or(1) != 0;
}

VirtualStation::~VirtualStation() = default;

void VirtualStation::poll()
{
    const double now = clock_.now();
    if (port_.bytesAvailable() > 0)
        for (const QByteArray& m : assembler_.feed(port_.readAll()))
            receive(m, now);
    if (demo_)
        demo_->advance(now);
    const QByteArray out = tx_.take(now, [&](const QByteArray& m) { report(now, true, m); });
    if (!out.isEmpty())
        port_.write(out);
}

void VirtualStation::receive(const QByteArray& message, double now)
{
    report(now, false, message);
    tx_.queue(message, now); // the echo, exactly as heard
    if (ln::checksumOk(message))
        handle(message, now);
}

void VirtualStation::report(double now, bool outgoing, const QByteArray& message)
{
    if (monitor_)
        monitor_(now - start_, outgoing, message);
}

void VirtualStation::answer(const QByteArray& message, double due)
{
    if (!message.isEmpty())
        tx_.queue(message, due);
}

uint8_t VirtualStation::trackStatus() const
{
    return uint8_t(0x06 | (power_ ? 0x01 : 0) | (prog_.active() ? 0x08 : 0));
}

int VirtualStation::accessoryState(int number) const
{
    return number >= 1 && number <= Accessories ? accessories_[size_t(number - 1)] : -1;
}

int VirtualStation::sensorState(int number) const
{
    return number >= 1 && number <= Sensors ? sensors_[size_t(number - 1)] : -1;
}

// One message on the bus, heard at `at`; answers follow after the delay.
void VirtualStation::handle(const QByteArray& message, double at)
{
    const ln::Msg m(message);
    const double due = at + options_.answerDelay;
    switch (m.op()) {
    case 0x82:
    case 0x83: power_ = m.op() == 0x83; break;
    case 0xA0: slotByte(m[1], &LocoSlot::speed, m[2]); break;
    case 0xA1: slotByte(m[1], &LocoSlot::dirf, m[2]); break;
    case 0xA2: slotByte(m[1], &LocoSlot::snd, m[2]); break;
    case 0xA3: slotByte(m[1], &LocoSlot::f9to12, m[2]); break;
    case 0xB0:
        // Only a powered output moves the accessory; the off message follows it.
        if (m[2] & 0x10)
            accessories_[size_t((m[2] & 0x0F) << 7 | m[1])] = (m[2] & 0x20) ? 1 : 0;
        break;
    case 0xB2:
        sensors_[size_t((m[2] & 0x0F) << 8 | m[1] << 1 | (m[2] & 0x20) >> 5)] =
            (m[2] & 0x10) ? 1 : 0;
        break;
    case 0xB5: slotByte(m[1], &LocoSlot::stat, m[2]); break;
    case 0xBA: answer(slots_.move(m[1], m[2], trackStatus()), due); break;
    case 0xBB:
        if (m[1] == 0)
            answer(SlotTable::identity(options_.stationType, trackStatus()), due);
        else if (SlotTable::isLoco(m[1]))
            answer(slots_.slotData(m[1], trackStatus()), due);
        else
            answer(longAck(0xBB, 0), due); // no such slot here
        break;
    case 0xBC: {
        // Switch states start with the direction bit clear: red until switched.
        const int state = accessories_[size_t((m[2] & 0x0F) << 7 | m[1])];
        answer(longAck(0xBC, state == 1 ? 0x30 : 0x50), due);
        break;
    }
    case 0xBE:
    case 0xBF: locoRequest(m.op(), m[1] << 7 | m[2], at); break;
    case 0xD4:
        if (m[1] == 0x20 && SlotTable::isLoco(m[2]) && m[3] < 13)
            slots_[m[2]].groups[m[3]] = m[4];
        break;
    case 0xE5: peerControl(message); break;
    case 0xED: command(message, at); break;
    default: break;
    }
}

void VirtualStation::slotByte(int slot, uint8_t LocoSlot::*field, uint8_t value)
{
    if (SlotTable::isLoco(slot))
        slots_[slot].*field = value;
}

void VirtualStation::locoRequest(uint8_t opcode, int address, double at)
{
    if (opcode == 0xBE && options_.stationType == 1)
        return; // the older software knows only 0xBF
    int slot = slots_.find(address);
    if (!slot) {
        const auto type = StationSettings::decoderType(settings_.loco(address).format);
        slot = slots_.allocate(address, UseCommon | type);
    }
    const double due = at + options_.answerDelay;
    answer(slot ? slots_.slotData(slot, trackStatus()) : longAck(opcode, 0), due);
}

// E5 07 01 5A 56 41 / 40: programming track on / off.
void VirtualStation::peerControl(const QByteArray& message)
{
    const ln::Msg m(message);
    if (message.size() == 7 && m[2] == 0x01 && m[3] == 0x5A && m[4] == 0x56 &&
        (m[5] == 0x41 || m[5] == 0x40))
        prog_.setActive(m[5] == 0x41);
}

void VirtualStation::command(const QByteArray& message, double at)
{
    const ln::Msg m(message);
    const double due = at + options_.answerDelay;
    if (auto lncv = LncvRequest::parse(message)) {
        lncvRequest(*lncv, at);
    } else if (m[3] != 0x5A || m[4] != 0x56) {
        return; // not for the station
    } else if (message.size() == 15) {
        answer(commandAnswer(message), due);
    } else if (message.size() == 31 && !options_.programmingSilent) {
        answer(prog_.request(message, trackStatus()), due + options_.programmingTime);
    }
}

// The 15-byte commands: settings, loco formats, identity, reset.
QByteArray VirtualStation::commandAnswer(const QByteArray& message)
{
    const PeerData d = peerData(message);
    const int option = d[0] | (d[1] & 0x03) << 8;
    const int address = d[0] | (d[1] & 0x3F) << 8;
    const auto ack = [](bool ok) { return longAck(0xED, ok ? 0x7F : 0x00); };
    switch (ln::Msg(message)[5]) {
    case 1: // write a special option
        return ack(settings_.setOption(option, d[2]));
    case 2: // read a special option
        if (const auto value = settings_.option(option))
            return stationAnswer(0x00, {d[0], d[1], *value, 0, 0, 0, 0});
        return ack(false);
    case 6: { // software version, digits x.yzw as hi/lo nibbles of bytes 8 and 7
        const int v = options_.version;
        return stationAnswer(0x08, {bcd(v % 100), bcd(v / 100), 0, 0, 0, 0, 0});
    }
    case 7: { // serial number, ten BCD digits
        PeerData digits{};
        qint64 n = options_.serialNumber;
        for (int i = 4; i >= 0; --i, n /= 100)
            digits[size_t(i)] = bcd(n % 100);
        return stationAnswer(0x09, digits);
    }
    case 12: { // write a loco's data format; the code comes with the write flag 0x40
        const LocoConfig config{d[2] & 0x1F, d[3]};
        if (!settings_.setLoco(address, config))
            return ack(false);
        if (const int slot = slots_.find(address))
            slots_[slot].stat =
                uint8_t((slots_[slot].stat & 0xF8) | StationSettings::decoderType(config.format));
        return ack(true);
    }
    case 13: { // read a loco's data format
        if (address == 0)
            return ack(false);
        const LocoConfig c = settings_.loco(address);
        return stationAnswer(0x0B, {address & 0xFF, address >> 8, c.format, c.extra, 0, 0, 0});
    }
    case 24: // reset; the station restarts and says nothing
        if (d[0] == 0)
            settings_.resetOptions();
        else if (d[0] == 1)
            settings_.resetLocos();
        return {};
    default: return {};
    }
}

void VirtualStation::lncvRequest(const LncvRequest& request, double at)
{
    const double due = at + options_.answerDelay;
    const LncvModules::Result r = lncv_.request(request);
    for (const QByteArray& a : r.answers)
        answer(a, due);
    if (r.locoTaken)
        deviceTakesOver(r.locoTaken, due);
}

void VirtualStation::setupDemo()
{
    demo_ = std::make_unique<DemoLayout>(*this, clock_.now());
}

} // namespace sim
