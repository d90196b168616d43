// FS.DAT as the program reads it at start: any bytes fill the route table
// without harm, and what the program then writes at the end reads back,
// whole, as the same table.

#include "routes/route_file.h"
#include "routes/route_table.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    RouteTable table;
    route_file::parse_fs(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), table);
    const QByteArray written = route_file::format_fs(table);
    RouteTable again;
    if (!route_file::parse_fs(written, again))
        std::abort();
    if (again.MagT1 != table.MagT1 || again.MagT2 != table.MagT2)
        std::abort();
    for (int r = 0; r < RouteTable::Rows; ++r)
        for (int c = 0; c < RouteTable::Columns; ++c)
            if (again.cell(r, c) != table.cell(r, c))
                std::abort();
    return 0;
}
