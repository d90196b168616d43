#include "wt_locos.h"

#include "loco/drivers.h"
#include "loco/slots.h"

WtLocos::WtLocos(Drivers& drivers) : drivers_(drivers)
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
}

int WtLocos::open()
{
    return drivers_.add_driver();
}

void WtLocos::close(int handle, bool stop)
{
    // A loco that stands (or had its emergency stop) needs no stop of its own.
    const auto last = intended(handle);
    leaving_.insert(handle);
    drivers_.leave(handle, stop && (!last || last->Spd > 1));
}

bool WtLocos::acquire(int handle, int address)
{
    return drivers_.acquire(handle, address);
}

void WtLocos::speed(int handle, int spd)
{
    drivers_.speed(handle, spd);
}

void WtLocos::stop(int handle, bool emergency)
{
    drivers_.safety_stop(handle, emergency);
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

bool WtLocos::on_panel(int address) const
{
    for (int panel = 0; panel < Drivers::Panels; ++panel)
        if (drivers_.address(panel) == address)
            return true;
    return false;
}
