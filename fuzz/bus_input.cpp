// Bytes arriving at the port in any chunks, between ticks and clock jumps,
// with the whole application connecting and connected: every dispatched
// handler meets any opcode, slot, address and length byte. The first byte
// picks the interface type.

#include "support/app_bench.h"
#include "support/script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    fuzz::AppBench bench(data[0] % 3 + 1);
    fuzz::ScriptReader script(data + 1, size - 1);
    fuzz::Step step;
    while (script.next(step)) {
        switch (step.kind) {
        case fuzz::Step::Bytes: bench.deliver(step.bytes); break;
        case fuzz::Step::Ticks:
            for (int i = 0; i < step.ticks; ++i)
                bench.tick();
            break;
        case fuzz::Step::Jump: bench.clock.advance(step.seconds); break;
        }
        bench.ports.b.clear(); // the program's output is not looked at here
    }
    return 0;
}
