#pragma once
// A small layout behind the virtual station: locos 3, 5 and 78 with their
// data formats, a decoder on the programming track, LNCV modules (a feedback
// module, a switch decoder, Pultrix devices 5 and 6, which announce themselves
// one after the other and drive the loco they are given) and a fixed schedule of
// sensor, accessory and throttle events, and of trains passing the Kennix
// receivers 1..4 and 133, that repeats every 30 s.
// Everything follows the station's clock, so a run is the same every time.

#include <cstddef>

namespace sim {

class VirtualStation;

class DemoLayout {
  public:
    static constexpr double Cycle = 30.0;

    DemoLayout(VirtualStation& station, double start);
    // Runs the events whose time has come.
    void advance(double now);
    // When the next event is due.
    double next_due() const;

  private:
    VirtualStation& station_;
    double cycleStart_;
    std::size_t next_ = 0;
    bool firstCycle_ = true;
};

} // namespace sim
