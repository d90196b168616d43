#pragma once
// Route cells as "r,c=text": every one that is not empty, and setting them.

#include "routes/route_table.h"

#include <QStringList>

inline QStringList cells(const RouteTable& t)
{
    QStringList l;
    for (int r = 1; r < RouteTable::Rows; ++r)
        for (int c = 1; c < RouteTable::Columns; ++c)
            if (!t.cell(r, c).isEmpty())
                l << QStringLiteral("%1,%2=%3").arg(r).arg(c).arg(t.cell(r, c));
    return l;
}

inline void set_cells(RouteTable& t, const QStringList& cells)
{
    for (const QString& cell : cells) {
        const auto rc = cell.section('=', 0, 0).split(',');
        t.set_cell(rc[0].toInt(), rc[1].toInt(), cell.section('=', 1));
    }
}
