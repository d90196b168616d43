#include "route_file.h"

#include "route_step.h"
#include "route_table.h"

#include <climits>
#include <cmath>
#include <vector>

namespace route_file {

namespace {
constexpr qsizetype CellCount = RouteTable::Routes * (RouteTable::Columns - 1);
const QByteArray kEol = QByteArrayLiteral("\r\n");

// ok is cleared unless the line holds a whole number and nothing else.
int time_value(QByteArrayView line, bool& ok)
{
    const QByteArrayView t = line.trimmed();
    bool whole = false;
    if (const int v = t.toInt(&whole); whole)
        return v;
    ok = false;
    const double v = std::nearbyint(text_value(QString::fromLatin1(t)));
    return v >= INT_MIN && v <= INT_MAX ? int(v) : 0;
}

// ok is cleared unless the cell stands in quotes. The file's text is
// Latin-1, so every byte reads back as the same byte.
QString cell_value(QByteArrayView line, bool& ok)
{
    const auto inner = quoted(line);
    ok = ok && inner;
    return QString::fromLatin1(inner ? *inner : line.trimmed());
}
} // namespace

bool parse_fs(const QByteArray& bytes, RouteTable& table)
{
    const QList<QByteArrayView> lines = text_lines(bytes, 2 + CellCount + 1);
    bool ok = lines.size() <= 2 + CellCount;
    if (lines.size() > 0)
        table.MagT2 = time_value(lines[0], ok);
    if (lines.size() > 1)
        table.MagT1 = time_value(lines[1], ok);
    std::vector<QString> cells;
    cells.reserve(size_t(CellCount));
    for (qsizetype i = 2; i < lines.size() && qsizetype(cells.size()) < CellCount; ++i)
        cells.push_back(cell_value(lines[i], ok));
    table.fill(cells);
    return ok;
}

QByteArray format_fs(const RouteTable& table)
{
    QByteArray out;
    out.reserve(CellCount * 6 + 32);
    out += QByteArray::number(table.MagT2) + kEol;
    out += QByteArray::number(table.MagT1) + kEol;
    for (int r = 1; r < RouteTable::Rows; ++r) {
        for (int c = 1; c < RouteTable::Columns; ++c) {
            out += '"';
            out += table.cell(r, c).toLatin1();
            out += '"';
            out += kEol;
        }
    }
    return out;
}

FileRead load_fs(RouteTable& table, const QString& path)
{
    QByteArray bytes;
    const FileRead read = read_data_file(path, MaxFileSize, &bytes);
    const bool ok = parse_fs(bytes, table);
    return read == FileRead::Whole && !ok ? FileRead::Partly : read;
}

bool save_fs(const RouteTable& table, const QString& path, QString* error)
{
    return save_file(path, format_fs(table), error);
}

} // namespace route_file
