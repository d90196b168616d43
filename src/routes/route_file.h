#pragma once
// FS.DAT: the pause time (ms) and the switching time (ms) on the first two
// lines, then the 208 x 55 route cells, row by row, each on a line of its
// own between double quotes; CR LF line ends. Route numbers and headers are
// not stored.

#include "core/file_io.h"

#include <QByteArray>
#include <QString>

class RouteTable;

namespace route_file {

inline const QString Name = QStringLiteral("FS.DAT");
// Far more than a full table takes; a bigger file is read no further.
constexpr qint64 MaxFileSize = 16 << 20;

// Reads the file's bytes into the table, whatever its line ends. Read
// tolerantly: a short file leaves the remaining cells as they were, a time
// that is no number reads as 0, and a line that is not quoted is taken as
// it stands. A quote inside a cell is kept as part of its text and shifts
// nothing. True when all of it was in the file's form: times in whole
// numbers, cells in quotes, no more lines than the table has cells (empty
// lines at the end aside). A file that simply ends early counts as whole
// when its last line is complete.
bool parse_fs(const QByteArray& bytes, RouteTable& table);
QByteArray format_fs(const RouteTable& table);

// A missing or unreadable file changes nothing and says nothing; the
// result tells how far the file could be read.
FileRead load_fs(RouteTable& table, const QString& path);
// Writes through a temporary file, so a failed write leaves the old file as
// it was; false with the system's reason in error.
bool save_fs(const RouteTable& table, const QString& path, QString* error);

} // namespace route_file
