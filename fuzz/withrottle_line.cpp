// Text from a WiThrottle client in any chunks (first byte: chunk size), cut
// into lines and read as the server reads them: no line is longer than the
// limit, and every command taken carries only values the server may act on.

#include "loconet/views.h"
#include "routes/route_table.h"
#include "support/lines.h"
#include "withrottle/wt_line.h"

#include <cstdlib>

namespace {
void check(bool ok)
{
    if (!ok)
        std::abort();
}

void check_command(const wt::Command& c)
{
    using wt::Command;
    switch (c.kind) {
    case Command::Acquire:
    case Command::Release:
    case Command::Loco:
        check(c.key == QStringLiteral("*") ? c.address == 0
                                           : c.address >= 1 && c.address <= ln::MaxLocoAddress);
        check(!c.key.startsWith(u'S') || c.address <= wt::MaxShortAddress);
        check(c.kind != Command::Acquire || c.address != 0);
        break;
    case Command::Turnout:
        check(c.number >= 1 && c.number <= wt::Accessories);
        check(c.value == 'C' || c.value == 'T' || c.value == '2');
        break;
    case Command::Route: check(RouteTable::is_route(c.number)); break;
    case Command::Power: check(c.value == 0 || c.value == 1); break;
    default: break;
    }
    if (c.kind != Command::Loco)
        return;
    switch (c.act) {
    case Command::Speed: {
        check(c.value >= -1 && c.value <= 126);
        const int spd = wt::loconet_speed(c.value);
        // Only the emergency stop gives LocoNet's emergency-stop value.
        check(spd >= 0 && spd <= 127 && (spd == 1) == (c.value == -1));
        check(wt::client_speed(spd) == std::max(c.value, 0));
        break;
    }
    case Command::Function:
    case Command::Force:
    case Command::Momentary:
        check(c.number >= 0 && c.number < wt::Functions && (c.value == 0 || c.value == 1));
        break;
    default: break;
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::for_each_line(data, size, [](const QByteArray& text) { check_command(wt::parse(text)); });
    return 0;
}
