// conf.dat as found in the data folder. What is read back must be usable,
// and writing it again must give the same values.

#include "core/conf.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto v = parse_conf(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!v)
        return 0;
    if (v->IfType < 1 || v->IfType > 3 || !valid_port_text(v->ComPortNr))
        std::abort();
    const auto again = parse_conf(conf_text(*v));
    if (!again || again->IfType != v->IfType || again->ComPortNr != v->ComPortNr)
        std::abort();
    return 0;
}
