// The raw-message text as typed into the main window, sent as the request
// engine sends it, and read by the monitor. The first byte picks how the
// rest becomes text: UTF-8, or UTF-16 code units as they come (lone
// surrogates included). The rest's bytes as they are are read by the monitor
// too, whatever they hold.

#include "core/clock.h"
#include "core/messages.h"
#include "loconet/describe.h"
#include "loconet/dispatch.h"
#include "loconet/link.h"
#include "loconet/memory_port.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const char* rest = reinterpret_cast<const char*>(data + 1);
    (void)ln::describe(QByteArray(rest, qsizetype(size - 1)));
    const QString text =
        data[0] & 1 ? QString(reinterpret_cast<const QChar*>(rest), qsizetype((size - 1) / 2))
                    : QString::fromUtf8(rest, qsizetype(size - 1));
    FakeClock clock;
    MemoryPort port;
    port.open(QStringLiteral("bus"), {});
    MessageService msgs;
    Dispatch dispatch(clock);
    Link link(clock, port, dispatch, msgs);
    if (!link.hex_to_tx(text))
        return 0;
    // A message that goes out has 1..64 bytes before its checksum.
    if (link.LnTxLast < 0 || link.LnTxLast > 63)
        std::abort();
    const auto* tx = reinterpret_cast<const char*>(link.LnTx.data());
    if (ln::describe(ln::frame(QByteArray(tx, link.LnTxLast + 1))).isEmpty())
        std::abort();
    link.service();
    return 0;
}
