#pragma once
// Data files that are there but cannot be read, and what a test can tell of them.

#include <QFile>
#include <QFileInfo>

// No read permission; where that does not stop us (as root), a link to a
// file whose every read fails.
inline void make_unreadable(const QString& path)
{
    QFile::setPermissions(path, {});
    if (QFile(path).open(QIODevice::ReadOnly)) {
        QFile::remove(path);
        QFile::link(QStringLiteral("/proc/self/mem"), path);
    }
}

// The file's bytes whatever its permissions, where it links to, or "<none>".
inline QByteArray held(const QString& path)
{
    const QFileInfo info(path);
    if (info.isSymLink() || !info.isFile())
        return info.isSymLink() ? "-> " + info.symLinkTarget().toUtf8() : "<none>";
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : "<unreadable>";
}
