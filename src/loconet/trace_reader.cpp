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

// One or two hex digits.
std::optional<uint8_t> hex_byte(QByteArrayView token)
{
    if (token.isEmpty() || token.size() > 2)
        return std::nullopt;
    bool ok = false;
    const int v = token.toInt(&ok, 16);
    return ok ? std::optional<uint8_t>(uint8_t(v)) : std::nullopt;
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
        const auto b = hex_byte(tokens[i]);
        if (!b || m.bytes.size() >= MaxLen)
            return SavedLine::NoMessage;
        m.bytes.append(char(*b));
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
        QByteArray line = in.readLine();
        if (++number == 1 && line.startsWith("\xEF\xBB\xBF")) // UTF-8 byte-order mark
            line.remove(0, 3);
        SavedMessage m;
        switch (read_saved_line(line, &m)) {
        case SavedLine::Message: message(m); break;
        case SavedLine::NoMessage: noMessage(number); break;
        case SavedLine::Blank: break;
        }
    }
}

} // namespace ln
