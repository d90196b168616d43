#include "slots.h"

#include "loconet/message.h"

namespace sim {

int SlotTable::find(int address) const
{
    for (int s = First; s <= Last; ++s)
        if (slots_[size_t(s)].use() != UseFree && slots_[size_t(s)].address == address)
            return s;
    return 0;
}

int SlotTable::allocate(int address, uint8_t stat)
{
    for (int s = First; s <= Last; ++s) {
        if (slots_[size_t(s)].use() == UseFree) {
            slots_[size_t(s)] = LocoSlot{};
            slots_[size_t(s)].address = address;
            slots_[size_t(s)].stat = stat;
            return s;
        }
    }
    return 0;
}

QByteArray SlotTable::slotData(int slot, uint8_t trk) const
{
    const LocoSlot& l = slots_[size_t(slot)];
    return ln::frame(ln::SlotData::make({.slot = slot,
                                         .stat = l.stat,
                                         .address = l.address,
                                         .speed = l.speed,
                                         .dirf = l.dirf,
                                         .trk = trk,
                                         .snd = l.snd}));
}

QByteArray SlotTable::move(int src, int dst, uint8_t trk)
{
    const QByteArray refused = ln::frame(ln::LongAck::make(ln::op::MoveSlots, 0));
    auto setUse = [this](int s, uint8_t use) {
        slots_[size_t(s)].stat = uint8_t((slots_[size_t(s)].stat & 0xCF) | use);
    };
    if (src == 0 && dst == 0) { // dispatch get
        if (!isLoco(dispatched_))
            return refused;
        const int s = dispatched_;
        dispatched_ = 0;
        setUse(s, UseInUse);
        return slotData(s, trk);
    }
    if (!isLoco(src) || slots_[size_t(src)].use() == UseFree)
        return refused;
    if (dst == src) { // null move: a throttle takes the slot
        setUse(src, UseInUse);
        return slotData(src, trk);
    }
    if (dst == 0) { // dispatch put
        dispatched_ = src;
        setUse(src, UseCommon);
        return slotData(src, trk);
    }
    if (!isLoco(dst) || slots_[size_t(dst)].use() != UseFree)
        return refused;
    slots_[size_t(dst)] = slots_[size_t(src)];
    slots_[size_t(src)] = LocoSlot{};
    if (dispatched_ == src)
        dispatched_ = 0;
    return slotData(dst, trk);
}

QByteArray SlotTable::identity(int stationType, uint8_t trk)
{
    // Status, address, speed and sound byte tell the types apart; the
    // signature 5A 56 stands in the id bytes.
    ln::SlotData::Fields f{
        .slot = ln::slot::Station, .speed = 3, .trk = trk, .id1 = 0x5A, .id2 = 0x56};
    if (stationType == 1)
        f.speed = 2;
    if (stationType == 3) {
        f.stat = 0x02;
        f.address = 0x42;
        f.snd = 0x15;
    }
    return ln::frame(ln::SlotData::make(f));
}

} // namespace sim
