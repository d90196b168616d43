#include "trace.h"

#include "message.h"

#include <QFileDevice>

namespace ln {

QString tag(Traffic what)
{
    static const QString tags[] = {QStringLiteral("RX"), QStringLiteral("TX"),
                                   QStringLiteral("BAD")};
    return tags[int(what)];
}

QString TraceWriter::format(double seconds, Traffic what, const QByteArray& message)
{
    return QStringLiteral("%1  %2  %3").arg(seconds, 9, 'f', 3).arg(tag(what)).arg(hex(message));
}

void TraceWriter::line(double seconds, Traffic what, const QByteArray& message)
{
    if (!out_)
        return;
    out_->write(format(seconds, what, message).toLatin1() + '\n');
    if (auto* file = qobject_cast<QFileDevice*>(out_))
        file->flush();
}

} // namespace ln
