#include "conf.h"

#include "file_io.h"

#include <QList>

bool valid_port_text(const QString& t)
{
    if (t.isEmpty() || t.size() > 255)
        return false;
    for (QChar c : t)
        if (c.isSpace() || c.unicode() < 32)
            return false;
    bool isNumber = false;
    const int n = t.toInt(&isNumber);
    return !isNumber || n >= 1;
}

std::optional<ConfValues> read_conf(const QString& path)
{
    const std::optional<QByteArray> content = read_file(path, 4096);
    return content ? parse_conf(*content) : std::nullopt;
}

std::optional<ConfValues> parse_conf(const QByteArray& content)
{
    const QList<QByteArray> lines = content.split('\n');
    if (lines.size() < 2)
        return std::nullopt;
    bool ok = false;
    ConfValues v;
    v.IfType = lines[0].trimmed().toInt(&ok);
    if (!ok || v.IfType < 1 || v.IfType > 3)
        return std::nullopt;
    v.ComPortNr = QString::fromUtf8(lines[1].trimmed());
    if (!valid_port_text(v.ComPortNr))
        return std::nullopt;
    return v;
}

bool write_conf(const QString& path, const ConfValues& v, QString* error)
{
    return save_file(path, conf_text(v), error);
}

QByteArray conf_text(const ConfValues& v)
{
    return QByteArray::number(v.IfType) + "\r\n" + v.ComPortNr.toUtf8() + "\r\n";
}
