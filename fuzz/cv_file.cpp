// Reading a CV file never crashes and gives only CVs 1..1024 with values
// 0..255; whatever it reads is written back as a file that reads the same.

#include "programming/cv_files.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto f =
        cvfile::parse_cv(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!f)
        return 0;
    std::array<int, 1025> values;
    values.fill(256);
    for (const auto& [cv, v] : f->values) {
        if (cv < 1 || cv > 1024 || v < 0 || v > 255)
            std::abort();
        values[size_t(cv)] = v;
    }
    const auto again = cvfile::parse_cv(cvfile::format_cv(values, f->listFile));
    if (!again || again->listFile.has_value() != f->listFile.has_value())
        std::abort();
    return 0;
}
