#pragma once
// The programming track: a DCC decoder (or none) whose CVs the station reads
// and writes on the 31-byte programming requests, answered in slot 124.

#include "loconet/views.h"

#include <QByteArray>
#include <QMap>
#include <QSet>
#include <cstdint>
#include <optional>

namespace sim {

// Programmer status in byte 4 of the reply.
enum ProgStatus : uint8_t { ProgOk = 0, ProgNoCv = 2, ProgNoLoco = 4 };

struct Decoder {
    QMap<int, int> cvs; // CV number (as the user counts, from 1) -> value 0..255
    QSet<int> readOnly;

    // A decoder with the usual CVs, a speed table and manufacturing data.
    static Decoder standard(int address);
};

class ProgrammingTrack {
  public:
    // Entered and left by E5 07 01 5A 56 41 / 40; requests outside it go unanswered.
    bool active() const { return active_; }
    void setActive(bool on) { active_ = on; }

    // No decoder: every request answers "no loco".
    void setDecoder(std::optional<Decoder> decoder) { decoder_ = std::move(decoder); }
    std::optional<Decoder>& decoder() { return decoder_; }

    // The reply E7 0E 7C ... to a 31-byte request; empty when none is due.
    QByteArray request(const QByteArray& message, uint8_t trk);

  private:
    uint8_t access(bool write, int cv, int& value);

    bool active_ = false;
    std::optional<Decoder> decoder_;
};

} // namespace sim
