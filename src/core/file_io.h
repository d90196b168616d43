#pragma once
// Whole-file reads and writes for the program's small data files.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

class DataDir;
class MessageService;

// At most maxSize bytes of the file, or nothing when it cannot be opened or
// is no regular file (a FIFO, a device or a folder counts as missing).
std::optional<QByteArray> read_file(const QString& path, qint64 maxSize);
// Writes the whole file through a temporary one, so a failed write leaves
// the old file untouched; the system's error text on failure.
bool save_file(const QString& path, const QByteArray& content, QString* error);

// How start found a data file that the end writes back.
enum class FileRead {
    Missing, // nothing there, or no regular file
    Whole,   // every byte read, and all of it in the file's form
    Partly,  // there, but not all of it could be read or understood
};

// The file's bytes, at most maxSize of them. Missing, Whole, or Partly for
// a file that cannot be opened or is larger than maxSize.
FileRead read_data_file(const QString& path, qint64 maxSize, QByteArray* bytes);

// The lines of a text file whatever its line ends (CR LF, LF or CR), after
// a UTF-8 byte-order mark if there is one, at most limit of them. Blank
// lines at the end say nothing and are left out.
QList<QByteArrayView> text_lines(QByteArrayView bytes, qsizetype limit);
// The text between the double quotes that enclose the line (blanks around
// them allowed), or nothing when the line is not enclosed so.
std::optional<QByteArrayView> quoted(QByteArrayView line);

// What start read of a data file: how far, and the data as it stood then.
struct DataFileAtStart {
    FileRead read = FileRead::Missing;
    QByteArray content; // the data formatted right after reading
};

// Writes a data file of the folder at program end. One that start could not
// read whole is never lost: unchanged, it stays as it is; changed, it is
// first renamed to a free name that a message box names. A failure is
// reported with failText (%1: the system's reason) and leaves the old file.
bool save_data_file(const DataDir& dir, const QString& name, const QByteArray& content,
                    const DataFileAtStart& atStart, MessageService& msgs, const QString& failText);
