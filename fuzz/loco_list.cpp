// Lokliste.dat as the program reads it at start: any bytes give a list of
// locos without harm, and what the program then writes reads back, whole,
// as the same list and the same bytes.

#include "loco/loco_list.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<LocoEntry> entries =
        loco_list::parse(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    const QByteArray written = loco_list::format(entries);
    bool whole = false;
    const std::vector<LocoEntry> again = loco_list::parse(written, &whole);
    if (!whole || again != entries || loco_list::format(again) != written)
        std::abort();
    return 0;
}
