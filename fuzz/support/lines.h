#pragma once
// A fuzz input read as text from a peer of a line protocol: the first byte
// gives the chunk size, the rest arrives in chunks of that size and is cut
// into lines as the servers cut it. No line handed on is over the limit.

#include "loconet/lb_line.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace fuzz {

template <class Line> void for_each_line(const uint8_t* data, size_t size, Line line)
{
    if (size == 0)
        return;
    const size_t chunk = data[0] % 64 + 1;
    lb::LineBuffer buffer;
    for (size_t at = 1; at < size && !buffer.overflow(); at += chunk) {
        buffer.append(QByteArray(reinterpret_cast<const char*>(data + at),
                                 qsizetype(std::min(chunk, size - at))));
        while (const auto text = buffer.take()) {
            if (text->size() > lb::MaxLine)
                std::abort();
            line(*text);
        }
    }
}

} // namespace fuzz
