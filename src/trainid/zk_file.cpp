#include "zk_file.h"

#include "core/file_io.h"

#include <QList>

namespace {
// The name a line holds, and whether it is just that name in quotes.
QString name_of_line(const QString& text, bool& ok)
{
    const QString line = text.trimmed();
    ok =
        ok && line.size() >= 2 && line.startsWith(u'"') && line.indexOf(u'"', 1) == line.size() - 1;
    if (!line.startsWith(u'"'))
        return line;
    const qsizetype close = line.indexOf(u'"', 1);
    return line.mid(1, close < 0 ? -1 : close - 1);
}
} // namespace

ZkNames parse_zk(const QByteArray& content, bool* whole)
{
    const QByteArray head = content.left(ZkMaxFileSize);
    const QList<QByteArrayView> lines = text_lines(head, qsizetype(ZkNames().size()) + 1);
    bool utf8 = true;
    for (QByteArrayView line : lines)
        utf8 = utf8 && line.isValidUtf8();
    ZkNames names;
    bool ok = lines.size() <= qsizetype(names.size());
    for (qsizetype i = 0; i < lines.size() && i < qsizetype(names.size()); ++i) {
        const QByteArrayView line = lines[i];
        names[size_t(i)] =
            name_of_line(utf8 ? QString::fromUtf8(line) : QString::fromLatin1(line), ok);
    }
    if (whole)
        *whole = ok;
    return names;
}

QByteArray format_zk(const ZkNames& names)
{
    QByteArray out;
    for (QString name : names) {
        name.remove(u'"').remove(u'\r').remove(u'\n');
        out += '"' + name.toUtf8() + "\"\r\n";
    }
    return out;
}
