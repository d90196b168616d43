// A module definition (LNCV/<article>.txt) as the module manager reads it:
// any bytes give LNCVs 0..65535 whose ranges lie in 0..65535, lowest first.

#include "programming/lncv_files.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace lncvfile;
    const Definition d =
        parse_definition(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    for (auto it = d.lncvs.cbegin(); it != d.lncvs.cend(); ++it)
        if (it.key() < 0 || it.key() > MaxField || it->min < 0 || it->min > it->max ||
            it->max > MaxField)
            std::abort();
    return 0;
}
