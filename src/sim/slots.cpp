#include "slots.h"

#include "answers.h"
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
    return ln::frame({0xE7, 0x0E, slot, l.stat, l.address & 0x7F, l.speed, l.dirf, trk, 0,
                      (l.address >> 7) & 0x7F, l.snd, 0, 0});
}

QByteArray SlotTable::move(int src, int dst, uint8_t trk)
{
    const QByteArray refused = longAck(0xBA, 0);
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
    switch (stationType) {
    case 1: return ln::frame({0xE7, 0x0E, 0, 0x00, 0x00, 0x02, 0x00, trk, 0, 0, 0x00, 0x5A, 0x56});
    case 3: return ln::frame({0xE7, 0x0E, 0, 0x02, 0x42, 0x03, 0x00, trk, 0, 0, 0x15, 0x5A, 0x56});
    default: return ln::frame({0xE7, 0x0E, 0, 0x00, 0x00, 0x03, 0x00, trk, 0, 0, 0x00, 0x5A, 0x56});
    }
}

} // namespace sim
