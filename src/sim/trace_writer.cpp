#include "trace_writer.h"

#include "loconet/message.h"

#include <QIODevice>

namespace sim {

QString TraceWriter::format(double seconds, bool outgoing, const QByteArray& message)
{
    return QStringLiteral("%1  %2  %3")
        .arg(seconds, 9, 'f', 3)
        .arg(outgoing ? QLatin1String("TX") : QLatin1String("RX"))
        .arg(ln::hex(message));
}

void TraceWriter::line(double seconds, bool outgoing, const QByteArray& message)
{
    if (!out_)
        return;
    out_->write(format(seconds, outgoing, message).toLatin1() + '\n');
}

} // namespace sim
