#pragma once
// The accessory keyboard and the feedback panel each show sixteen numbers
// at a time, on 128 pages.

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
inline int clamp(int index)
{
    return index < 0 ? 0 : index >= Count ? Count - 1 : index;
}

} // namespace pages
