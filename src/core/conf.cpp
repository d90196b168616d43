#include "conf.h"

#include <QFile>
#include <QSaveFile>

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
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray content = f.read(4096);
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
    QSaveFile f(path);
    const QByteArray content =
        QByteArray::number(v.IfType) + "\r\n" + v.ComPortNr.toUtf8() + "\r\n";
    if (f.open(QIODevice::WriteOnly) && f.write(content) == content.size() && f.commit())
        return true;
    if (error)
        *error = f.errorString();
    return false;
}
