#include "command_line.h"

QStringList split_optional_value(const QStringList& args, const QString& name,
                                 const QString& valueOption)
{
    const QString prefix = QStringLiteral("--") + name + u'=';
    QStringList out;
    for (const QString& a : args) {
        if (a.startsWith(prefix))
            out << QStringLiteral("--") + name << QStringLiteral("--") + valueOption
                << a.mid(prefix.size());
        else
            out << a;
    }
    return out;
}
