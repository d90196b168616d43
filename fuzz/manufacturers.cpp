// Reading the manufacturer list never crashes or writes outside ids 0..256.

#include "programming/cv_files.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::array<QString, 257> names;
    cvfile::parse_manufacturers(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)),
                                names);
    return 0;
}
