#include "wt_locos.h"

#include "loco/slots.h"

WtLocos::WtLocos(Slots& table) : slots_(table)
{
    connect(&slots_, &Slots::slot_changed, this, &WtLocos::changed);
    connect(&slots_, &Slots::slot_data, this, [this](int s, bool) { emit changed(s); });
}

int WtLocos::open()
{
    address_[next_] = 0;
    return next_++;
}

void WtLocos::close(int handle)
{
    address_.erase(handle);
}

void WtLocos::acquire(int handle, int address)
{
    address_[handle] = address;
}

void WtLocos::speed(int, int) {}

void WtLocos::direction(int, bool) {}

void WtLocos::function(int, int, bool) {}

const SlotRec* WtLocos::reported(int handle) const
{
    const auto it = address_.find(handle);
    if (it == address_.end() || it->second <= 0)
        return nullptr;
    for (int s = 1; s <= 119; ++s)
        if (slots_.SlotData[size_t(s)].Adr == it->second)
            return &slots_.SlotData[size_t(s)];
    return nullptr;
}

QList<int> WtLocos::in_slots() const
{
    QList<int> list;
    for (int s = 1; s <= 119; ++s)
        if (slots_.SlotData[size_t(s)].Adr > 0)
            list << slots_.SlotData[size_t(s)].Adr;
    return list;
}

int WtLocos::address_in(int slot) const
{
    return slot >= 1 && slot <= 119 ? slots_.SlotData[size_t(slot)].Adr : 0;
}
