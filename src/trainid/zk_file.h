#pragma once
// zk.dat: the names of the four train categories, one per line in double
// quotes, CR LF each, categories 1..4 in order.

#include <QByteArray>
#include <QString>
#include <array>

using ZkNames = std::array<QString, 4>;

// Far more than four names need; the rest of a larger file is not read.
constexpr qint64 ZkMaxFileSize = 64 * 1024;

// Names from the file's bytes, whatever its line ends. Read tolerantly: a
// missing line gives an empty name, an unquoted line is taken as it stands,
// anything after the closing quote is ignored. UTF-8, or Latin-1 for files
// from older tools. whole (if given) is cleared when a line was not a name
// in quotes, or more lines than the four hold something.
ZkNames parse_zk(const QByteArray& content, bool* whole = nullptr);
// The file's bytes. A double quote cannot be stored inside a name and is
// left out, so the file always reads back as the same four names.
QByteArray format_zk(const ZkNames& names);
