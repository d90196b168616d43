#pragma once
// Handing a loco to a simple hand throttle: request its slot, mark the slot
// common and move it to slot 0, where the throttle picks it up.

#include "core/services.h"
#include "requests/engine.h"

#include <QObject>
#include <optional>

class Slots;

class LocoDispatch : public QObject {
    Q_OBJECT
  public:
    LocoDispatch(const Services& s, Slots& slotTable);

    static constexpr int MaxAddress = 9999;
    static constexpr double Timeout = 2.0; // every step, counted from the loco request

    // A loco address typed into the dispatch window; nullopt when it cannot be sent.
    static std::optional<int> address(const QString& text);
    // Slot status with the use bits set to "common", the others kept.
    static int common_status(int stat) { return (stat & 0xCF) | 0x10; }

    // False when refused with a box (not connected, another job must finish).
    bool dispatch(int adr);

  signals:
    // The dispatch has ended, however: done, timed out or disconnected.
    void dispatch_ended();

  private:
    class DispatchJob;

    Services s_;
    Slots& slots_;
};
