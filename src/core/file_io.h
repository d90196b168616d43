#pragma once
// Whole-file reads and writes for the program's small data files.

#include <QByteArray>
#include <QString>
#include <optional>

// At most maxSize bytes of the file, or nothing when it cannot be opened or
// is no regular file (a FIFO, a device or a folder counts as missing).
std::optional<QByteArray> read_file(const QString& path, qint64 maxSize);
// Writes the whole file through a temporary one, so a failed write leaves
// the old file untouched; the system's error text on failure.
bool save_file(const QString& path, const QByteArray& content, QString* error);
