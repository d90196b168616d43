// A module backup (*.lncv) as "Datei laden…" reads it: any bytes give
// either no backup or numbers in range, and what "Sichern…" would write of
// it reads back as the same backup.

#include "programming/lncv_files.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace lncvfile;
    const auto b = parse_backup(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!b)
        return 0;
    if (b->article < 0 || b->article > MaxField * 10 || b->address < -1 || b->address > MaxField)
        std::abort();
    for (auto it = b->values.cbegin(); it != b->values.cend(); ++it)
        if (it.key() < 0 || it.key() > MaxField || it.value() < 0 || it.value() > MaxField)
            std::abort();
    const auto again = parse_backup(format_backup(*b, QStringLiteral("Name")));
    if (!again || again->article != b->article || again->address != b->address ||
        again->values != b->values)
        std::abort();
    return 0;
}
