#include "lb_line.h"

#include "message.h"

#include <QList>

namespace lb {
namespace {

Line malformed(const char* reason)
{
    Line l;
    l.kind = Line::Malformed;
    l.text = reason;
    return l;
}

// The hex values after the keyword as one whole LocoNet message.
Line message_line(Line::Kind kind, const QList<QByteArray>& tokens)
{
    if (tokens.size() < 3)
        return malformed("too short");
    if (tokens.size() - 1 > ln::MaxLen)
        return malformed("too long");
    Line l;
    l.kind = kind;
    for (qsizetype i = 1; i < tokens.size(); ++i) {
        const int v = ln::hexByte(tokens[i]);
        if (v < 0)
            return malformed("bad hex value");
        l.message.append(char(v));
    }
    // Anything else would be framed differently on the bus than it was
    // sent, and its echo would never be recognised.
    const auto* bytes = reinterpret_cast<const uint8_t*>(l.message.constData());
    if (!(bytes[0] & 0x80))
        return malformed("no opcode");
    for (qsizetype i = 1; i < l.message.size(); ++i)
        if (bytes[i] & 0x80)
            return malformed("data byte above 7F");
    if (!ln::isWholeMessage(bytes, int(l.message.size())))
        return malformed(ln::checksumOk(l.message) ? "length does not fit the opcode"
                                                   : "bad checksum");
    return l;
}

} // namespace

Line parse(const QByteArray& raw)
{
    const QByteArray line = raw.simplified();
    if (line.isEmpty())
        return {};
    const QList<QByteArray> tokens = line.split(' ');
    const QByteArray keyword = tokens[0].toUpper();
    if (keyword == "SEND")
        return message_line(Line::Send, tokens);
    if (keyword == "RECEIVE")
        return message_line(Line::Receive, tokens);
    const QByteArray rest = tokens.size() > 1 ? line.mid(keyword.size() + 1) : QByteArray();
    if (keyword == "VERSION") {
        Line l;
        l.kind = Line::Version;
        l.text = rest;
        return l;
    }
    if (keyword == "SENT" && tokens.size() > 1) {
        Line l;
        l.kind = Line::Sent;
        l.ok = tokens[1].toUpper() == "OK";
        l.text = l.ok ? QByteArray() : line.mid(qstrlen("SENT ERROR "));
        return l;
    }
    return malformed("unknown command");
}

QByteArray format(const char* keyword, const QByteArray& message)
{
    return QByteArray(keyword) + ' ' + message.toHex(' ').toUpper();
}

void LineBuffer::append(const QByteArray& data)
{
    if (overflow_)
        return;
    data_ += data;
}

std::optional<QByteArray> LineBuffer::take()
{
    if (overflow_)
        return std::nullopt;
    for (qsizetype i = scanned_; i < data_.size(); ++i) {
        const char c = data_[i];
        if (c != '\r' && c != '\n')
            continue;
        // CR LF gives an empty line between the two, which readers ignore.
        const QByteArray line = data_.mid(start_, i - start_);
        start_ = scanned_ = i + 1;
        if (line.size() > MaxLine) {
            overflow_ = true;
            return std::nullopt;
        }
        return line;
    }
    data_.remove(0, start_);
    start_ = 0;
    scanned_ = data_.size();
    if (data_.size() > MaxLine) {
        overflow_ = true;
        data_.clear();
    }
    return std::nullopt;
}

std::optional<Address> address(const QString& text)
{
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon <= 0)
        return std::nullopt;
    QString host = text.left(colon);
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2);
    else if (host.contains(u':'))
        return std::nullopt; // a bare IPv6 address needs brackets
    for (const QChar c : host)
        if (!(c.isLetterOrNumber() || c == u'.' || c == u'-' || c == u':' || c == u'_'))
            return std::nullopt; // a path, not a host
    bool ok = false;
    const QString portText = text.mid(colon + 1);
    const uint port = portText.toUInt(&ok);
    if (host.isEmpty() || !ok || port < 1 || port > 65535 || !portText[0].isDigit())
        return std::nullopt;
    return Address{host, quint16(port)};
}

std::optional<quint16> port_text(const QString& text)
{
    bool ok = false;
    const uint port = text.toUInt(&ok);
    if (!ok || port > 65535 || !text.front().isDigit())
        return std::nullopt;
    return quint16(port);
}

} // namespace lb
