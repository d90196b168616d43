#include "zk_file.h"

#include <QStringDecoder>
#include <QStringList>

namespace {
QString decode(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

QString name_of_line(QString line)
{
    line = line.trimmed();
    if (!line.startsWith(u'"'))
        return line;
    const qsizetype close = line.indexOf(u'"', 1);
    return line.mid(1, close < 0 ? -1 : close - 1);
}
} // namespace

ZkNames parse_zk(const QByteArray& content)
{
    const QStringList lines = decode(content.left(ZkMaxFileSize)).split(u'\n');
    ZkNames names;
    for (size_t i = 0; i < names.size() && qsizetype(i) < lines.size(); ++i)
        names[i] = name_of_line(lines[qsizetype(i)]);
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
