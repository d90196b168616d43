#include "virtual_station.h"

#include "core/clock.h"
#include "demo_layout.h"
#include "loconet/message.h"
#include "loconet/port.h"
#include "loconet/views.h"


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

double VirtualStation::next_due() const
{
    return earliest({tx_.next_due(), demo_ ? demo_->next_due() : -1.0});
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
    namespace op = ln::op;
    const ln::Msg m(message);
    const double due = at + options_.answerDelay;
    const auto ack = [](uint8_t opcode, int code) {
        return ln::frame(ln::LongAck::make(opcode, code));
    };
    switch (m.op()) {
    case op::GpOff:
    case op::GpOn: power_ = m.op() == op::GpOn; break;
    case op::LocoSpd: {
        const ln::LocoSpeed v(m);
        slotByte(v.slot(), &LocoSlot::speed, uint8_t(v.speed()));
        break;
    }
    case op::LocoDirf: {
        const ln::LocoDirf v(m);
        slotByte(v.slot(), &LocoSlot::dirf, uint8_t(v.dirf()));
        break;
    }
    case op::LocoSnd: {
        const ln::LocoSound v(m);
        slotByte(v.slot(), &LocoSlot::snd, uint8_t(v.snd()));
        break;
    }
    case op::LocoF9F12: {
        const ln::LocoF9F12 v(m);
        slotByte(v.slot(), &LocoSlot::f9to12, uint8_t(v.bits()));
        break;
    }
    case op::SwReq: {
        // Only a powered output moves the accessory; the off message follows it.
        const ln::SwitchRequest r(m);
        if (r.on())
            accessories_[size_t(r.address())] = r.green() ? 1 : 0;
        break;
    }
    case op::InputRep: {
        const ln::SensorReport r(m);
        sensors_[size_t(r.sensor())] = r.occupied() ? 1 : 0;
        break;
    }
    case op::SlotStat1: {
        const ln::SlotStatus v(m);
        slotByte(v.slot(), &LocoSlot::stat, uint8_t(v.status()));
        break;
    }
    case op::MoveSlots: {
        const ln::MoveSlots r(m);
        answer(slots_.move(r.from(), r.to(), trackStatus()), due);
        break;
    }
    case op::RqSlData: {
        const int slot = ln::SlotRequest(m).slot();
        if (slot == ln::slot::Station)
            answer(SlotTable::identity(options_.stationType, trackStatus()), due);
        else if (SlotTable::isLoco(slot))
            answer(slots_.slotData(slot, trackStatus()), due);
        else
            answer(ack(op::RqSlData, 0), due); // no such slot here
        break;
    }
    case op::SwState: {
        // Switch states start with the direction bit clear: red until switched.
        const int state = accessories_[size_t(ln::SwitchState(m).address())];
        answer(ack(op::SwState, state == 1 ? 0x30 : 0x50), due);
        break;
    }
    case op::LocoAdrAlt:
    case op::LocoAdr: locoRequest(m.op(), ln::LocoRequest(m).address(), at); break;
    case op::FnGroup: {
        const ln::FunctionGroup g(m);
        if (ln::FunctionGroup::is(m) && SlotTable::isLoco(g.slot()) && g.group() < 13)
            slots_[g.slot()].groups[size_t(g.group())] = uint8_t(g.value());
        break;
    }
    case op::PeerXfer:
        if (ln::ProgTrackMode::is(m) && message.size() == 7)
            prog_.setActive(ln::ProgTrackMode(m).on());
        break;
    case op::ImmPacket: command(message, at); break;
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
    if (opcode == ln::op::LocoAdrAlt && options_.stationType == 1)
        return; // the older software knows only the plain loco request
    int slot = slots_.find(address);
    if (!slot) {
        const auto type = StationSettings::decoderType(settings_.loco(address).format);
        slot = slots_.allocate(address, UseCommon | type);
    }
    const double due = at + options_.answerDelay;
    answer(slot ? slots_.slotData(slot, trackStatus()) : ln::frame(ln::LongAck::make(opcode, 0)),
           due);
}

void VirtualStation::command(const QByteArray& message, double at)
{
    const ln::Msg m(message);
    const double due = at + options_.answerDelay;
    if (auto lncv = LncvRequest::parse(message)) {
        lncvRequest(*lncv, at);
    } else if (message.size() == ln::PeerMessage::Length && ln::PeerMessage(m).station()) {
        answer(commandAnswer(ln::PeerMessage(m)), due);
    } else if (ln::StationProgRequest::is(m) && !options_.programmingSilent) {
        answer(prog_.request(message, trackStatus()), due + options_.programmingTime);
    }
}

// The 15-byte commands: settings, loco formats, identity, reset.
QByteArray VirtualStation::commandAnswer(const ln::PeerMessage& c)
{
    using ln::PeerMessage;
    const auto d = [&c](int k) { return c.data(k); };
    const int option = d(0) | (d(1) & 0x03) << 8;
    const int address = d(0) | (d(1) & 0x3F) << 8;
    const auto ack = [](bool ok) {
        return ln::frame(ln::LongAck::make(ln::op::ImmPacket, ok ? 0x7F : 0x00));
    };
    const auto answer = [](int cmd, const ln::PeerData& data) {
        return ln::frame(PeerMessage::stationAnswer(cmd, data));
    };
    switch (c.command()) {
    case ln::cmd::WriteOption: return ack(settings_.setOption(option, d(2)));
    case ln::cmd::ReadOption:
        if (const auto value = settings_.option(option))
            return answer(ln::cmd::OptionValue, {d(0), d(1), *value, 0, 0, 0, 0});
        return ack(false);
    case ln::cmd::ReadVersion: { // digits x.yzw as hi/lo nibbles of bytes 8 and 7
        const int v = options_.version;
        return answer(ln::cmd::Version, {bcd(v % 100), bcd(v / 100), 0, 0, 0, 0, 0});
    }
    case ln::cmd::ReadSerial: { // ten BCD digits
        ln::PeerData digits{};
        qint64 n = options_.serialNumber;
        for (int i = 4; i >= 0; --i, n /= 100)
            digits[size_t(i)] = bcd(n % 100);
        return answer(ln::cmd::Serial, digits);
    }
    case ln::cmd::WriteFormat: { // the code comes with the write flag 0x40
        const LocoConfig config{d(2) & 0x1F, d(3)};
        if (!settings_.setLoco(address, config))
            return ack(false);
        if (const int slot = slots_.find(address))
            slots_[slot].stat =
                uint8_t((slots_[slot].stat & 0xF8) | StationSettings::decoderType(config.format));
        return ack(true);
    }
    case ln::cmd::ReadFormat: {
        if (address == 0)
            return ack(false);
        const LocoConfig f = settings_.loco(address);
        return answer(ln::cmd::Format, {address & 0xFF, address >> 8, f.format, f.extra, 0, 0, 0});
    }
    case ln::cmd::Reset: // the station restarts and says nothing
        if (d(0) == 0)
            settings_.resetOptions();
        else if (d(0) == 1)
            settings_.resetLocos();
        return {};
    default: return {};
    }
}

void VirtualStation::lncvRequest(const LncvRequest& request, double at)
{
    const double due = at + options_.answerDelay;
    const LncvModules::Result r = lncv_.request(request);
    for (qsizetype i = 0; i < r.answers.size(); ++i)
        answer(r.answers[i], due + double(i) * LncvModules::AnswerSpacing);
    if (r.locoTaken)
        deviceTakesOver(r.locoTaken, due);
}

void VirtualStation::setupDemo()
{
    demo_ = std::make_unique<DemoLayout>(*this, clock_.now());
}

} // namespace sim
