#pragma once
// Data files that are there but cannot be read, for the tests of what the
// program does with them at start and at the end.

#include <QFile>
#include <QFileInfo>

// No read permission; where that does not stop us (running as root), a
// link to a file whose every read fails.
inline void make_unreadable(const QString& path)
{
    QFile::setPermissions(path, {});
    if (QFile f(path); !f.open(QIODevice::ReadOnly))
        return;
    QFile::remove(path);
    QFile::link(QStringLiteral("/proc/self/mem"), path);
}

// What is at the path as far as a test can tell: the file's bytes whatever
// its permissions, where it links to, or "<none>".
inline QByteArray held(const QString& path)
{
    const QFileInfo info(path);
    if (info.isSymLink())
        return "-> " + info.symLinkTarget().toUtf8();
    if (!info.exists())
        return "<none>";
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : "<unreadable>";
}
