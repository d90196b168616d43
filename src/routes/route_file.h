#pragma once
// FS.DAT: the pause time (ms) and the switching time (ms) on the first two
// lines, then the 208 x 55 route cells, row by row, each on a line of its
// own between double quotes; CR LF line ends. Route numbers and headers are
// not stored.

#include <QByteArray>
#include <QString>

class RouteTable;

namespace route_file {

inline const QString Name = QStringLiteral("FS.DAT");
// Far more than a full table takes; a bigger file is read no further.
constexpr qint64 MaxFileSize = 16 << 20;

// Reads the file's bytes into the table. Never fails: a short file leaves
// the remaining cells as they were, a time that is no number reads as 0,
// and a line that is not quoted is taken as it stands. A quote inside a
// cell is kept as part of its text and shifts nothing.
void parse_fs(const QByteArray& bytes, RouteTable& table);
QByteArray format_fs(const RouteTable& table);

// A missing or unreadable file changes nothing and says nothing.
void load_fs(RouteTable& table, const QString& path);
// Writes through a temporary file, so a failed write leaves the old file as
// it was; false with the system's reason in error.
bool save_fs(const RouteTable& table, const QString& path, QString* error);

} // namespace route_file
