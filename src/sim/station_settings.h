#pragma once
// What the station remembers about itself: its special options (one byte
// each, by number) and the data format of each loco address.

#include <QMap>
#include <cstdint>
#include <optional>

namespace sim {

// Data-format codes of the loco configuration messages.
enum LocoFormat : int {
    MotorolaOld = 0,
    MotorolaNew = 1,
    Selectrix = 8,
    Dcc14 = 16,
    Dcc27 = 17,
    Dcc28 = 18,
    Dcc128 = 19,
    Fmz = 24,
};

struct LocoConfig {
    int format = Dcc28;
    int extra = 0; // second data byte, kept and returned as written
};

class StationSettings {
  public:
    StationSettings() { resetOptions(); }

    // Options the station does not have read as nullopt and refuse writes.
    std::optional<int> option(int number) const;
    bool setOption(int number, int value);
    void resetOptions();

    // An address never configured has the default format of option 10.
    LocoConfig loco(int address) const;
    // False for a code that is no data format or address 0.
    bool setLoco(int address, LocoConfig config);
    void resetLocos() { locos_.clear(); }

    // Bits 2..0 of a slot's status byte for a data format.
    static uint8_t decoderType(int format);

  private:
    int defaultFormat() const;

    QMap<int, int> options_;
    QMap<int, LocoConfig> locos_;
};

} // namespace sim
