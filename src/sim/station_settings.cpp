#include "station_settings.h"

namespace sim {

namespace {

// Option 10 (default loco format) stores 0, 1, 2, 4, 6 for these formats.
int formatOfOption10(int value)
{
    switch (value) {
    case 0: return MotorolaOld;
    case 1: return MotorolaNew;
    case 2: return Dcc14;
    case 6: return Dcc128;
    default: return Dcc28;
    }
}

bool isFormat(int code)
{
    switch (code) {
    case MotorolaOld:
    case MotorolaNew:
    case Selectrix:
    case Dcc14:
    case Dcc27:
    case Dcc28:
    case Dcc128:
    case Fmz: return true;
    default: return false;
    }
}

} // namespace

std::optional<int> StationSettings::option(int number) const
{
    const auto it = options_.constFind(number);
    return it == options_.constEnd() ? std::nullopt : std::optional<int>(*it);
}

bool StationSettings::setOption(int number, int value)
{
    if (!options_.contains(number) || value < 0 || value > 255)
        return false;
    options_[number] = value;
    return true;
}

void StationSettings::resetOptions()
{
    options_.clear();
    // A few plain options, so that any number can be tried.
    for (int n = 1; n <= 9; ++n)
        options_[n] = 0;
    options_[10] = 4;  // default loco format: DCC 28
    options_[12] = 1;  // accessory format: DCC
    options_[13] = 2;  // minimum switching time, 50 ms units
    options_[14] = 20; // maximum switching time, 50 ms units
    options_[35] = 3;  // DCC accessory packets per command
    options_[97] = 1;  // 1 = track power on at switch-on, 0 = STOP
}

LocoConfig StationSettings::loco(int address) const
{
    return locos_.value(address, LocoConfig{defaultFormat(), 0});
}

bool StationSettings::setLoco(int address, LocoConfig config)
{
    if (address <= 0 || !isFormat(config.format))
        return false;
    locos_[address] = config;
    return true;
}

uint8_t StationSettings::decoderType(int format)
{
    switch (format) {
    case Dcc128: return 0x03;
    case Dcc28: return 0x00;
    case Dcc27: return 0x01;
    default: return 0x02; // 14 steps and everything coarser
    }
}

int StationSettings::defaultFormat() const
{
    return formatOfOption10(options_.value(10));
}

} // namespace sim
