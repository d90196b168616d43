// Reading a CV list file never crashes and keeps only rows of CVs 1..1023.

#include "programming/cv_files.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto f =
        cvfile::parse_list(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!f)
        return 0;
    for (const auto& row : f->rows) {
        const int cv = row.first.toInt();
        if (cv < 1 || cv > 1023)
            std::abort();
    }
    // Written back, every row and its explanation survive.
    const auto again = cvfile::parse_list(cvfile::format_list(*f));
    if (!again || again->rows.size() != f->rows.size())
        std::abort();
    return 0;
}
