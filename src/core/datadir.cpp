#include "datadir.h"

#include <QDir>

namespace {
QString findEntry(const QString& dir, const QString& name, QDir::Filters kind)
{
    QDir d(dir);
    if (d.exists(name))
        return d.filePath(name);
    const auto entries = d.entryList(kind | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& e : entries)
        if (e.compare(name, Qt::CaseInsensitive) == 0)
            return d.filePath(e);
    return d.filePath(name);
}
} // namespace

QString DataDir::file(const QString& name) const
{
    return findEntry(path_, name, QDir::Files);
}

QString DataDir::locate(const QString& dir)
{
    return findEntry(dir, QStringLiteral("Conf"), QDir::Dirs);
}
