#include "base_settings.h"

#include "core/number_text.h"

namespace base_settings {

namespace {
// Option 10 counts the loco formats with gaps: 3 and 5 are not offered.
constexpr std::array<int, LokFormatEntries> kLokFormatValues = {0, 1, 2, 4, 6};
} // namespace

int lok_format_entry(int value)
{
    for (int i = 0; i < LokFormatEntries; ++i)
        if (kLokFormatValues[size_t(i)] == value)
            return i;
    return -1;
}

int lok_format_value(int entry)
{
    return entry >= 0 && entry < LokFormatEntries ? kLokFormatValues[size_t(entry)] : -1;
}

int switch_time_units(int ms)
{
    int units = ms / TimeUnitMs;
    const int rest = ms % TimeUnitMs;
    if (rest * 2 > TimeUnitMs || (rest * 2 == TimeUnitMs && units % 2 == 1))
        ++units;
    return units;
}

void show(const Values& v, Shown& shown)
{
    if (const int entry = lok_format_entry(v[LokFormat]); entry >= 0)
        shown.lokFormat = entry;
    if (v[MagFormat] >= 0 && v[MagFormat] < MagFormatEntries)
        shown.magFormat = v[MagFormat];
    shown.minTime = QString::number(TimeUnitMs * v[MinTime]);
    shown.maxTime = QString::number(TimeUnitMs * v[MaxTime]);
    shown.packets = QString::number(v[Packets]);
    shown.stopAtSwitchOn = v[StopMode] == 0;
}

std::optional<Values> values(const Shown& shown, const Values& read, Field* bad)
{
    Values v = read;
    if (const int value = lok_format_value(shown.lokFormat); value >= 0)
        v[LokFormat] = value;
    if (shown.magFormat >= 0 && shown.magFormat < MagFormatEntries)
        v[MagFormat] = shown.magFormat;
    const std::pair<Field, std::optional<int>> numbers[] = {
        {MinTime, number_in(shown.minTime, 0, MaxTimeMs)},
        {MaxTime, number_in(shown.maxTime, 0, MaxTimeMs)},
        {Packets, number_in(shown.packets, 0, MaxPackets)},
    };
    for (const auto& [field, n] : numbers) {
        if (!n) {
            if (bad)
                *bad = field;
            return std::nullopt;
        }
        v[field] = field == Packets ? *n : switch_time_units(*n);
    }
    v[StopMode] = shown.stopAtSwitchOn ? 0 : 1;
    return v;
}

} // namespace base_settings
