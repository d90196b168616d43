// Hilfe.txt as found in the data folder: any bytes, any line ends, any
// encoding. The end marker never shows.

#include "core/shell.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QStringList lines =
        help_lines(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    for (const QString& line : lines)
        if (line == QLatin1String("##ENDE##") || line.contains(QLatin1Char('\n')))
            std::abort();
    return 0;
}
