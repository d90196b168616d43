#pragma once
// The station's slot table: slot 0 tells who the station is, slots 1..119
// hold one loco each. Answers are built here from the table's state.

#include "loconet/views.h"

#include <QByteArray>
#include <array>
#include <cstdint>

namespace sim {

using ln::UseCommon;
using ln::UseFree;
using ln::UseInUse;

struct LocoSlot {
    int address = 0;
    uint8_t stat = 0; // use state and decoder type (bits 2..0)
    uint8_t speed = 0, dirf = 0, snd = 0, f9to12 = 0;
    std::array<uint8_t, 13> groups{}; // function-group bytes by group number (0xD4)

    uint8_t use() const { return stat & 0x30; }
};

class SlotTable {
  public:
    static constexpr int First = 1, Last = 119;
    static bool isLoco(int slot) { return slot >= First && slot <= Last; }

    // Callers check isLoco first.
    LocoSlot& operator[](int slot) { return slots_[size_t(slot)]; }
    const LocoSlot& operator[](int slot) const { return slots_[size_t(slot)]; }

    // The slot that holds the address and is not free; 0 when there is none.
    int find(int address) const;
    // Puts the address into the first free slot; 0 when the table is full.
    int allocate(int address, uint8_t stat);
    // E7 0E slot ...: the slot's data with the given track status byte.
    QByteArray slotData(int slot, uint8_t trk) const;
    // BA src dst: null move (in use), dispatch put (dst 0), dispatch get
    // (src 0) or a move into a free slot; anything else is refused (B4 3A 00).
    QByteArray move(int src, int dst, uint8_t trk);
    int dispatched() const { return dispatched_; }

    // Slot 0 of station type 1, 2 or 3; its byte 7 is the track status.
    static QByteArray identity(int stationType, uint8_t trk);

  private:
    std::array<LocoSlot, Last + 1> slots_{};
    int dispatched_ = 0; // slot put aside for a simple hand throttle
};

} // namespace sim
