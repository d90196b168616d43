#include "demo_layout.h"

#include "virtual_station.h"

#include <cmath>
#include <functional>
#include <vector>

namespace sim {

namespace {

struct Event {
    double at; // seconds into the cycle
    bool everyCycle;
    std::function<void(VirtualStation&)> act;
};

using S = VirtualStation;
using D = KennixDirection;
using Act = std::function<void(S&)>;

// A Pultrix device acts on the loco it was given; before it has one it does nothing.
Act pultrix(int device, std::function<void(S&, int loco)> act)
{
    return [device, act](S& s) {
        if (const int loco = s.pultrixLoco(device))
            act(s, loco);
    };
}

// The next Pultrix device without a loco announces itself. One at a time:
// the write of a loco address reaches every device that waits for one.
void announce_next(S& s)
{
    const QList<LncvModule>& modules = s.lncvModules().modules();
    for (const LncvModule& m : modules)
        if (m.article == PultrixArticle && m.awaitingLoco)
            return;
    for (const LncvModule& m : modules)
        if (m.article == PultrixArticle && s.pultrixLoco(m.address()) == 0) {
            s.announcePultrix(m.address());
            return;
        }
}

// A train runs over sensors 1 to 4 while another device switches accessory
// 3; the README's example routes are requested and released by these
// reports (sensor 1 occupied, sensor 4 free, accessory 3 green and red).
const std::vector<Event>& schedule()
{
    static const std::vector<Event> events = {
        {0.5, false, [](S& s) { s.switchAccessory(1, true); }},
        {1.0, true, [](S& s) { s.setSensor(1, true); }},
        {2.0, true, [](S& s) { s.kennixLoco(1, 3, 1, D::S1toS2); }},
        {2.5, true, [](S& s) { s.kennixSpeed(1, 62); }},
        {4.0, true, [](S& s) { s.setSensor(2, true); }},
        {4.5, true, pultrix(5, [](S& s, int loco) { s.throttleDirf(loco, 0x10); })},
        {5.0, true, [](S& s) { s.setSensor(1, false); }},
        {5.5, true, pultrix(5, [](S& s, int loco) { s.throttleSpeed(loco, 50); })},
        {6.0, true, [](S& s) { s.kennixLoco(3, 3, 1, D::S1toS2); }},
        {6.2, true, [](S& s) { s.throttleFunction(3, 1, true); }}, // someone else's F1 on loco 3
        {6.5, true, [](S& s) { s.kennixSpeed(3, 58); }},
        {7.0, true, [](S& s) { s.switchAccessory(3, true); }},
        {8.0, true, [](S& s) { s.setSensor(3, true); }},
        {8.5, true, pultrix(6, [](S& s, int loco) { s.throttleDirf(loco, 0x30); })},
        {9.0, true, [](S& s) { s.setSensor(2, false); }},
        {9.5, true, pultrix(6, [](S& s, int loco) { s.throttleSpeed(loco, 70); })},
        {10.0, true, [](S& s) { s.throttleDirf(78, 0x10); }}, // forward, light on
        {10.5, true, [](S& s) { s.throttleSpeed(78, 40); }},
        {11.0, true, pultrix(5, [](S& s, int loco) { s.throttleFunction(loco, 2, true); })},
        {11.5, true, announce_next}, // after the other throttles have their locos
        {12.0, true, [](S& s) { s.setSensor(4, true); }},
        {13.0, true, [](S& s) { s.setSensor(3, false); }},
        {13.5, true, pultrix(5, [](S& s, int loco) { s.throttleSpeed(loco, 90); })},
        {14.0, true, [](S& s) { s.kennixLoco(2, 78, 2, D::S2toS1); }},
        {14.5, true, [](S& s) { s.kennixSpeed(2, 38); }},
        {15.5, true, pultrix(6, [](S& s, int loco) { s.throttleFunction(loco, 6, true); })},
        {16.0, true, [](S& s) { s.switchAccessory(3, false); }},
        {17.0, true, [](S& s) { s.setSensor(4, false); }},
        {17.5, true, pultrix(5, [](S& s, int loco) { s.throttleSpeed(loco, 0); })},
        {18.0, true, [](S& s) { s.kennixLoco(4, 78, 2, D::S2toS1); }},
        {18.5, true, [](S& s) { s.kennixSpeed(4, 41); }},
        {19.0, true, [](S& s) { s.throttleFunction(3, 1, false); }},
        {19.5, true, pultrix(5, [](S& s, int loco) { s.throttleDirf(loco, 0x30); })},
        {20.0, true, [](S& s) { s.throttleSpeed(78, 0); }},
        {20.5, true, pultrix(5, [](S& s, int loco) { s.throttleSpeed(loco, 40); })},
        {21.0, true, pultrix(6, [](S& s, int loco) { s.throttleSpeed(loco, 0); })},
        {22.0, true, [](S& s) { s.kennixClear(1); }},
        {23.0, true, pultrix(6, [](S& s, int loco) { s.throttleFunction(loco, 6, false); })},
        {24.0, true, [](S& s) { s.setSensor(12, true); }},
        {24.5, true, [](S& s) { s.throttleDirf(78, 0x30); }}, // reverse, light on
        {25.0, true, [](S& s) { s.kennixLoco(133, 5, 3, D::S1toS2); }},
        {25.5, true, [](S& s) { s.kennixSpeed(133, 96); }},
        {26.0, true, [](S& s) { s.kennixClear(3); }},
        {26.2, true, announce_next},
        {26.5, true, pultrix(5, [](S& s, int loco) { s.throttleSpeed(loco, 0); })},
        {27.0, true, [](S& s) { s.setSensor(12, false); }},
    };
    return events;
}

LncvModule module(int article, int address, std::initializer_list<std::pair<int, Lncv>> lncvs)
{
    LncvModule m = LncvModule::make(article, address);
    for (const auto& [nr, lncv] : lncvs)
        m.lncvs[nr] = lncv;
    return m;
}

} // namespace

DemoLayout::DemoLayout(VirtualStation& station, double start)
    : station_(station), cycleStart_(start)
{
    StationSettings& settings = station.settings();
    settings.setLoco(3, {Dcc28, 0});
    settings.setLoco(5, {Dcc128, 0});
    settings.setLoco(78, {MotorolaNew, 0});

    station.programmingTrack().setDecoder(Decoder::standard(3));

    const Lncv version{3, 0, 65535, true};
    LncvModules& modules = station.lncvModules();
    // Feedback module: first sensor number, report delay in 10 ms.
    modules.add(module(1234, 1, {{1, {1, 1, 2048}}, {2, {10, 0, 255}}, {7, version}}));
    // Switch decoder: first accessory number, switching time in 10 ms.
    modules.add(module(1235, 2, {{1, {1, 1, 2048}}, {2, {10, 1, 255}}, {7, version}}));
    // Pultrix devices: LNCV 10 is the loco they drive.
    for (int device : {5, 6})
        modules.add(
            module(PultrixArticle, device, {{PultrixLocoLncv, {0, 0, 10000}}, {7, version}}));
}

void DemoLayout::advance(double now)
{
    // After a long pause the missed cycles are skipped, not replayed.
    if (now - cycleStart_ > 2 * Cycle) {
        cycleStart_ += std::floor((now - cycleStart_) / Cycle) * Cycle;
        next_ = 0;
        firstCycle_ = false;
    }
    const auto& events = schedule();
    while (cycleStart_ + events[next_].at <= now) {
        if (firstCycle_ || events[next_].everyCycle)
            events[next_].act(station_);
        if (++next_ == events.size()) {
            next_ = 0;
            cycleStart_ += Cycle;
            firstCycle_ = false;
        }
    }
}

double DemoLayout::next_due() const
{
    return cycleStart_ + schedule()[next_].at;
}

} // namespace sim
