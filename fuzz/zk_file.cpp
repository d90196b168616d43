// zk.dat as the program reads it at start: any bytes give four names, and
// what the program then writes at the end reads back, whole, as the same
// file.

#include "trainid/zk_file.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const ZkNames names =
        parse_zk(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    const QByteArray written = format_zk(names);
    bool whole = false;
    if (format_zk(parse_zk(written, &whole)) != written || !whole)
        std::abort();
    return 0;
}
