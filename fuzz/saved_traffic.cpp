// A file given to --decode or to the monitor's "Laden…": any bytes, read
// line by line. Every message found is whole (a BAD line's may lack its
// checksum) and reads as a text; every line named as no message exists.

#include "loconet/describe.h"
#include "loconet/message.h"
#include "loconet/trace_reader.h"

#include <QBuffer>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype lines = bytes.count('\n') + bytes.count('\r') + 1; // CR ends a line too
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    ln::read_saved(
        in,
        [](const ln::SavedMessage& m) {
            const auto* b = reinterpret_cast<const uint8_t*>(m.bytes.constData());
            const bool whole = ln::isWholeMessage(b, int(m.bytes.size()));
            if ((!whole && m.what != ln::Traffic::Bad) || ln::describe(m.bytes).isEmpty())
                std::abort();
        },
        [lines](int line) {
            if (line < 1 || line > lines)
                std::abort();
        });
    return 0;
}
