#include "datadir.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
// The entry of that name in any case; empty when there is none.
QString findEntry(const QString& dir, const QString& name, QDir::Filters kind)
{
    QDir d(dir);
    if (d.exists(name))
        return d.filePath(name);
    const auto entries = d.entryList(kind | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& e : entries)
        if (e.compare(name, Qt::CaseInsensitive) == 0)
            return d.filePath(e);
    return {};
}

const QString kInstalled = QStringLiteral("../share/quorail");
} // namespace

QString DataDir::file(const QString& name) const
{
    for (const QString& dir : {path_, installed_})
        if (!dir.isEmpty())
            if (const QString found = findEntry(dir, name, QDir::Files); !found.isEmpty())
                return found;
    return QDir(path_).filePath(name);
}

QString DataDir::locate(const QString& dir)
{
    const QString found = findEntry(dir, QStringLiteral("Conf"), QDir::Dirs);
    return found.isEmpty() ? QDir(dir).filePath(QStringLiteral("Conf")) : found;
}

DataDir DataDir::for_program(const QString& programDir, const QString& confDir)
{
    const QString installed = QDir::cleanPath(QDir(programDir).filePath(kInstalled));
    const QString shipped = QFileInfo(installed).isDir() ? installed : QString();
    if (!confDir.isEmpty())
        return {confDir, shipped};
    const QFileInfo beside(locate(programDir));
    // An installed program's folder is not the user's to write in.
    if (beside.isDir() && beside.isWritable())
        return {beside.filePath(), shipped};
    return {QStandardPaths::writableLocation(QStandardPaths::AppDataLocation), shipped};
}
