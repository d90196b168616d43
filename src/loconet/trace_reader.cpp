#include "trace_reader.h"

#include "message.h"

#include <QIODevice>
#include <QList>
#include <cmath>
#include <optional>

namespace ln {
namespace {

std::optional<Traffic> traffic_tag(QByteArrayView token)
{
    for (Traffic t : {Traffic::Rx, Traffic::Tx, Traffic::Bad})
        if (token == tag(t).toLatin1())
            return t;
    return std::nullopt;
}

// Opcode first, data bytes below 80, as long as the opcode (or byte 1) says.
bool well_formed(const QByteArray& b)
{
    if (b.size() < 2 || !(b[0] & 0x80))
        return false;
    for (qsizetype i = 1; i < b.size(); ++i)
        if (b[i] & 0x80)
            return false;
    const int len = opcodeLength(uint8_t(b[0]));
    return (len > 0 ? len : uint8_t(b[1])) == b.size();
}

} // namespace

SavedLine read_saved_line(QByteArrayView line, SavedMessage* out)
{
    const qsizetype tab = line.indexOf('\t'); // --decode puts its text after a tab
    if (tab >= 0)
        line = line.first(tab);
    const QByteArray text = line.toByteArray().simplified();
    if (text.isEmpty() || text.startsWith('#'))
        return SavedLine::Blank;
    const QList<QByteArray> tokens = text.split(' ');

    SavedMessage m;
    qsizetype first = 0;
    if (tokens.size() >= 2) {
        if (const auto what = traffic_tag(tokens[1])) {
            bool ok = false;
            m.seconds = tokens[0].toDouble(&ok);
            if (!ok || !std::isfinite(m.seconds))
                return SavedLine::NoMessage;
            m.timed = true;
            m.what = *what;
            first = 2;
        }
    }
    for (qsizetype i = first; i < tokens.size(); ++i) {
        const int b = hexByte(tokens[i]);
        if (b < 0 || m.bytes.size() >= MaxLen)
            return SavedLine::NoMessage;
        m.bytes.append(char(b));
    }
    if (!well_formed(m.bytes) || (m.what != Traffic::Bad && !checksumOk(m.bytes)))
        return SavedLine::NoMessage;
    *out = m;
    return SavedLine::Message;
}

void read_saved(QIODevice& in, const std::function<void(const SavedMessage&)>& message,
                const std::function<void(int line)>& noMessage)
{
    int number = 0;
    while (!in.atEnd()) {
        QByteArray read = in.readLine(); // line by line, so that a pipe is read as it comes
        if (number == 0 && read.startsWith("\xEF\xBB\xBF")) // UTF-8 byte-order mark
            read.remove(0, 3);
        if (read.endsWith('\n'))
            read.chop(read.endsWith("\r\n") ? 2 : 1);
        for (const QByteArray& line : read.split('\r')) { // files with CR line ends
            ++number;
            SavedMessage m;
            switch (read_saved_line(line, &m)) {
            case SavedLine::Message: message(m); break;
            case SavedLine::NoMessage: noMessage(number); break;
            case SavedLine::Blank: break;
            }
        }
    }
}

} // namespace ln
