#include "file_io.h"

#include "datadir.h"
#include "messages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {
const QString kAltBehalten =
    QStringLiteral("%1 konnte beim Start nicht vollständig gelesen werden. Die alte Datei ist als "
                   "%2 aufbewahrt, %1 enthält jetzt die geänderten Daten.");

// "FS.DAT" gives "FS-alt.DAT", then "FS-alt2.DAT" and so on: the first name
// that no file of the folder has in any case, so no kept file is replaced.
QString free_kept_name(const DataDir& dir, const QString& name)
{
    const QFileInfo info(name);
    const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    for (int n = 1;; ++n) {
        const QString kept = info.completeBaseName() + QStringLiteral("-alt") +
                             (n > 1 ? QString::number(n) : QString()) + suffix;
        if (!QFileInfo::exists(dir.file(kept)))
            return kept;
    }
}
} // namespace

FileRead read_data_file(const QString& path, qint64 maxSize, QByteArray* bytes)
{
    bytes->clear();
    // isFile() follows links and is false for FIFOs, sockets and devices,
    // whose open() could wait forever.
    if (!QFileInfo(path).isFile())
        return FileRead::Missing;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return FileRead::Partly;
    *bytes = f.read(maxSize + 1);
    if (f.error() != QFileDevice::NoError)
        return FileRead::Partly;
    if (bytes->size() > maxSize) {
        bytes->truncate(maxSize);
        return FileRead::Partly;
    }
    return FileRead::Whole;
}

std::optional<QByteArray> read_file(const QString& path, qint64 maxSize)
{
    QByteArray bytes;
    const FileRead read = read_data_file(path, maxSize, &bytes);
    if (read == FileRead::Missing || (read == FileRead::Partly && bytes.isEmpty()))
        return std::nullopt;
    return bytes;
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

QList<QByteArrayView> text_lines(QByteArrayView bytes, qsizetype limit)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    while (!bytes.isEmpty() && QByteArrayView(" \t\n\v\f\r").contains(bytes.back()))
        bytes.chop(1);
    QList<QByteArrayView> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size() && lines.size() < limit; ++i) {
        const char ch = bytes[i];
        if (ch != '\r' && ch != '\n')
            continue;
        lines.append(bytes.sliced(start, i - start));
        if (ch == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size() && lines.size() < limit)
        lines.append(bytes.sliced(start));
    return lines;
}

std::optional<QByteArrayView> quoted(QByteArrayView line)
{
    line = line.trimmed();
    if (line.size() < 2 || !line.startsWith('"') || !line.endsWith('"'))
        return std::nullopt;
    return line.sliced(1, line.size() - 2);
}

bool save_data_file(const DataDir& dir, const QString& name, const QByteArray& content,
                    const DataFileAtStart& atStart, MessageService& msgs, const QString& failText)
{
    QDir().mkpath(dir.path());
    const QString path = dir.file(name);
    QString keptPath;
    QFile old(path);
    if (atStart.read == FileRead::Partly && old.exists()) {
        if (content == atStart.content)
            return true; // nothing to save: the file stays as it is
        keptPath = QDir(dir.path()).filePath(free_kept_name(dir, QFileInfo(path).fileName()));
        if (!old.rename(keptPath)) {
            msgs.show(titles::Fehler, failText.arg(old.errorString()));
            return false;
        }
    }
    QString error;
    if (!save_file(path, content, &error)) {
        if (!keptPath.isEmpty())
            QFile::rename(keptPath, path); // the old file back in its place
        msgs.show(titles::Fehler, failText.arg(error));
        return false;
    }
    if (!keptPath.isEmpty())
        msgs.show(titles::Fehler,
                  kAltBehalten.arg(QFileInfo(path).fileName(), QFileInfo(keptPath).fileName()),
                  MsgIcon::Warning);
    return true;
}
