#pragma once
// The accessory keyboard and the feedback panel each show sixteen numbers
// at a time, on 128 pages; the route panel sixteen routes on 13.

#include <QString>

namespace pages {

constexpr int Size = 16;
constexpr int Count = 128;

// "17 - 32": the 1-based numbers of the page whose first 0-based number is base.
inline QString range_text(int base)
{
    return QStringLiteral("%1 - %2").arg(base + 1).arg(base + Size);
}

// A page index from a selector, kept within the pages that exist.
inline int clamp(int index, int count = Count)
{
    return index < 0 ? 0 : index >= count ? count - 1 : index;
}

} // namespace pages
