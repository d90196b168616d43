// Reading a CV file never crashes and gives only CVs 1..1024 with values
// 0..255; what it reads, written back, reads as the same values and list file.

#include "programming/cv_files.h"

#include <cstdint>
#include <cstdlib>

namespace {
std::array<int, 1025> values_of(const cvfile::CvFile& f)
{
    std::array<int, 1025> values;
    values.fill(256);
    for (const auto& [cv, v] : f.values) {
        if (cv < 1 || cv > 1024 || v < 0 || v > 255)
            std::abort();
        values[size_t(cv)] = v;
    }
    return values;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto f =
        cvfile::parse_cv(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!f)
        return 0;
    const auto values = values_of(*f);
    const auto again = cvfile::parse_cv(cvfile::format_cv(values, f->listFile));
    if (!again || values_of(*again) != values || again->listFile != f->listFile)
        std::abort();
    return 0;
}
