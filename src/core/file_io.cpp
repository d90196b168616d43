#include "file_io.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

std::optional<QByteArray> read_file(const QString& path, qint64 maxSize)
{
    // isFile() follows links and is false for FIFOs, sockets and devices,
    // whose open() could wait forever.
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    return f.read(maxSize);
}

bool save_file(const QString& path, const QByteArray& content, QString* error)
{
    QSaveFile f(path);
    if (f.open(QIODevice::WriteOnly) && f.write(content) == content.size() && f.commit())
        return true;
    if (error)
        *error = f.errorString();
    return false;
}
