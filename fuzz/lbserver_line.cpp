// Text from an LbServer peer in any chunks (first byte: chunk size), cut
// into lines and read as both ends read them: a line is never longer than
// the limit, and a message that is taken is one whole LocoNet message that
// reads back the same when written out again.

#include "loconet/lb_line.h"
#include "loconet/message.h"
#include "support/lines.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::for_each_line(data, size, [](const QByteArray& text) {
        const lb::Line line = lb::parse(text);
        if (line.kind != lb::Line::Send && line.kind != lb::Line::Receive)
            return;
        const auto* bytes = reinterpret_cast<const uint8_t*>(line.message.constData());
        if (line.message.size() > ln::MaxLen ||
            !ln::isWholeMessage(bytes, int(line.message.size())))
            std::abort();
        if (lb::parse(lb::format("SEND", line.message)).message != line.message)
            std::abort();
    });
    return 0;
}
