#pragma once
// Six special options that the base-settings window shows in plain form:
// default loco data format, accessory data format, the shortest and longest
// switching time (stored in 50 ms units), DCC accessory packets per command
// and whether the station starts in STOP.

#include <QList>
#include <QString>
#include <array>
#include <optional>

namespace base_settings {

inline const QList<int> Options = {10, 12, 13, 14, 35, 97};
enum Field { LokFormat, MagFormat, MinTime, MaxTime, Packets, StopMode, FieldCount };
using Values = std::array<int, FieldCount>;

constexpr int LokFormatEntries = 5; // "Motorola alt" .. "DCC 128"
constexpr int MagFormatEntries = 2; // "Motorola", "DCC"
constexpr int TimeUnitMs = 50;
constexpr int MaxTimeMs = 255 * TimeUnitMs;
constexpr int MaxPackets = 255;

// What the window's controls hold.
struct Shown {
    int lokFormat = -1;       // entry of the loco format list; -1 none
    int magFormat = -1;       // entry of the accessory format list; -1 none
    QString minTime, maxTime; // milliseconds as typed
    QString packets;
    bool stopAtSwitchOn = false;
};

// Entry of the loco format list for an option-10 value; -1 when none fits.
int lok_format_entry(int value);
// Option-10 value of an entry; -1 for no entry.
int lok_format_value(int entry);
// Milliseconds to 50 ms units, a half going to the even unit.
int switch_time_units(int ms);

// The controls from the values read; a list whose entry no value names
// keeps its selection.
void show(const Values& values, Shown& shown);
// The values to write, starting from those read (a list without a valid
// selection keeps its value). nullopt when a field cannot be read; *bad
// then names the first such field.
std::optional<Values> values(const Shown& shown, const Values& read, Field* bad = nullptr);

} // namespace base_settings
