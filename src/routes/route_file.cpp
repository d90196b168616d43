#include "route_file.h"

#include "core/file_io.h"
#include "route_step.h"
#include "route_table.h"

#include <climits>
#include <cmath>
#include <vector>

namespace route_file {

namespace {
constexpr qsizetype CellCount = RouteTable::Routes * (RouteTable::Columns - 1);
const QByteArray kEol = QByteArrayLiteral("\r\n");

// The lines of a file with LF or CR LF line ends, one at a time, as views
// into its bytes.
class Lines {
  public:
    explicit Lines(const QByteArray& bytes) : bytes_(bytes) {}
    bool next(QByteArrayView& line)
    {
        if (pos_ >= bytes_.size())
            return false;
        qsizetype end = bytes_.indexOf('\n', pos_);
        if (end < 0)
            end = bytes_.size();
        line = QByteArrayView(bytes_).sliced(pos_, end - pos_);
        pos_ = end + 1;
        return true;
    }

  private:
    const QByteArray& bytes_;
    qsizetype pos_ = 0;
};

int time_value(QByteArrayView line)
{
    const double v = std::nearbyint(text_value(QString::fromLatin1(line.trimmed())));
    return v >= INT_MIN && v <= INT_MAX ? int(v) : 0;
}

// The file's text is Latin-1, so every byte reads back as the same byte.
QString cell_value(QByteArrayView line)
{
    const QByteArrayView t = line.trimmed();
    if (t.size() >= 2 && t.startsWith('"') && t.endsWith('"'))
        return QString::fromLatin1(t.sliced(1, t.size() - 2));
    return QString::fromLatin1(t);
}
} // namespace

void parse_fs(const QByteArray& bytes, RouteTable& table)
{
    Lines lines(bytes);
    QByteArrayView line;
    if (!lines.next(line))
        return;
    table.MagT2 = time_value(line);
    if (!lines.next(line))
        return;
    table.MagT1 = time_value(line);
    std::vector<QString> cells;
    cells.reserve(size_t(CellCount));
    while (qsizetype(cells.size()) < CellCount && lines.next(line))
        cells.push_back(cell_value(line));
    table.fill(cells);
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

void load_fs(RouteTable& table, const QString& path)
{
    if (const auto bytes = read_file(path, MaxFileSize))
        parse_fs(*bytes, table);
}

bool save_fs(const RouteTable& table, const QString& path, QString* error)
{
    return save_file(path, format_fs(table), error);
}

} // namespace route_file
