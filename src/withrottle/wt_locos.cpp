#include "wt_locos.h"

#include "loco/drivers.h"
#include "loco/slots.h"

namespace {
constexpr int FirstLocoSlot = 1, LastLocoSlot = 119;
}

WtLocos::WtLocos(Slots& table, Drivers& drivers) : slots_(table), drivers_(drivers)
{
    connect(&drivers_, &Drivers::bound, this, [this](int d) {
        if (!leaving_.count(d))
            emit bound(d);
    });
    connect(&drivers_, &Drivers::bind_failed, this, [this](int d, const QString& why) {
        if (!leaving_.count(d))
            emit bind_failed(d, why);
    });
    connect(&drivers_, &Drivers::changed, this, [this](int d) {
        if (!leaving_.count(d))
            emit changed(d);
    });
    connect(&drivers_, &Drivers::refused, this, [this](int d, const QString& why) {
        if (!leaving_.count(d))
            emit refused(d, why);
    });
    connect(&drivers_, &Drivers::left, this, [this](int d) { leaving_.erase(d); });
    connect(&slots_, &Slots::slot_data, this, [this](int s) { emit slot_seen(s); });
}

int WtLocos::open()
{
    return drivers_.add_driver();
}

void WtLocos::close(int handle, bool stop)
{
    leaving_.insert(handle);
    drivers_.leave(handle, stop);
}

bool WtLocos::acquire(int handle, int address)
{
    return drivers_.acquire(handle, address);
}

void WtLocos::speed(int handle, int spd)
{
    drivers_.speed(handle, spd);
}

void WtLocos::stop(int handle)
{
    drivers_.safety_stop(handle);
}

void WtLocos::direction(int handle, bool reverse)
{
    drivers_.direction(handle, reverse ? 1 : 0, false);
}

void WtLocos::function(int handle, int n, bool on)
{
    drivers_.function(handle, n, on);
}

void WtLocos::toggle_function(int handle, int n)
{
    drivers_.toggle_function(handle, n);
}

const SlotRec* WtLocos::reported(int handle) const
{
    return drivers_.is_bound(handle) && drivers_.slot(handle) >= 0 ? &drivers_.loco(handle)
                                                                   : nullptr;
}

std::optional<SlotRec> WtLocos::intended(int handle) const
{
    if (!reported(handle))
        return std::nullopt;
    return drivers_.shown(handle);
}

QList<int> WtLocos::in_slots() const
{
    QList<int> list;
    for (int s = FirstLocoSlot; s <= LastLocoSlot; ++s)
        if (slots_.SlotData[size_t(s)].Adr > 0)
            list << slots_.SlotData[size_t(s)].Adr;
    return list;
}

int WtLocos::address_in(int slot) const
{
    return slot >= FirstLocoSlot && slot <= LastLocoSlot ? slots_.SlotData[size_t(slot)].Adr : 0;
}
