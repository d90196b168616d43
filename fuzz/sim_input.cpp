// The virtual station's input: bytes from the program (or whatever is on the
// device) in any chunks, between polls and clock jumps. The first byte picks
// the station type, pacing and whether the demo layout runs.

#include "core/clock.h"
#include "loconet/memory_port.h"
#include "sim/virtual_station.h"
#include "support/script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    FakeClock clock;
    MemoryPortPair ports;
    ports.a.open(QStringLiteral("program"), {});
    ports.b.open(QStringLiteral("station"), {});
    sim::StationOptions options;
    options.stationType = data[0] % 3 + 1;
    options.pace = data[0] & 0x10;
    sim::VirtualStation station(ports.b, clock, options);
    if (data[0] & 0x20)
        station.setupDemo();
    fuzz::ScriptReader script(data + 1, size - 1);
    fuzz::Step step;
    while (script.next(step)) {
        switch (step.kind) {
        case fuzz::Step::Bytes: ports.a.write(step.bytes); break;
        case fuzz::Step::Ticks:
            for (int i = 0; i < step.ticks; ++i) {
                clock.advance(0.01);
                station.poll();
            }
            break;
        case fuzz::Step::Jump: clock.advance(step.seconds); break;
        }
        ports.a.clear(); // the station's output is not looked at here
    }
    return 0;
}
