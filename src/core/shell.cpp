#include "shell.h"

#include "file_io.h"

QString program_info_text(int major, int minor, int revision)
{
    return QStringLiteral("     Quorail    \r    Version: %1.%2.%3")
        .arg(major)
        .arg(minor)
        .arg(revision);
}

QString program_info_text()
{
    return program_info_text(QUORAIL_VERSION_MAJOR, QUORAIL_VERSION_MINOR, QUORAIL_VERSION_PATCH);
}

QStringList read_help(const QString& path)
{
    const auto content = read_file(path, MaxHelpBytes);
    return content ? help_lines(*content) : QStringList();
}

QStringList help_lines(const QByteArray& content)
{
    QStringList lines;
    QList<QByteArray> raw = content.split('\n');
    if (content.isEmpty() || content.endsWith('\n'))
        raw.removeLast(); // the last line's end, not an empty line after it
    for (QByteArray line : raw) {
        while (line.endsWith('\r'))
            line.chop(1);
        if (line == "##ENDE##")
            break;
        // The help text is written on Windows; read UTF-8 where it is valid,
        // else the Windows codepage it most likely was saved in.
        const QString text = QString::fromUtf8(line);
        lines << (text.contains(QChar::ReplacementCharacter) ? QString::fromLatin1(line) : text);
    }
    return lines;
}

QString program_version()
{
    return QStringLiteral("%1.%2.%3")
        .arg(QUORAIL_VERSION_MAJOR)
        .arg(QUORAIL_VERSION_MINOR)
        .arg(QUORAIL_VERSION_PATCH);
}
