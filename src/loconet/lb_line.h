#pragma once
// The LbServer text protocol (LocoNet over TCP), one line per event:
//    VERSION <text>           server greeting
//    SEND 83 7C               client: put this message (checksum included) on the bus
//    RECEIVE 83 7C            server: this message was on the bus
//    SENT OK | SENT ERROR <reason>   server: how a SEND ended, one per SEND, in order
// Lines end with CR, LF or both. Shared by the server, the client port and
// the fuzz target, so both ends read a line the same way.

#include <QByteArray>
#include <QString>
#include <optional>

namespace lb {

constexpr quint16 DefaultPort = 1234;
// Longest line either end accepts; a SEND of 64 values needs about 200.
constexpr int MaxLine = 1024;

struct Line {
    enum Kind { Empty, Send, Receive, Sent, Version, Malformed };
    Kind kind = Empty;
    QByteArray message; // SEND, RECEIVE: the bytes, checksum included
    bool ok = false;    // SENT: OK
    QByteArray text;    // VERSION, SENT ERROR: the rest of the line; Malformed: the reason
};

// Reads one line (without its line end).
Line parse(const QByteArray& line);

// "RECEIVE 83 7C" and the like, without the line end.
QByteArray format(const char* keyword, const QByteArray& message);

// Cuts a byte stream into lines. A line longer than MaxLine sets overflow()
// instead of growing without bound; the caller drops the connection.
class LineBuffer {
  public:
    void append(const QByteArray& data);
    // The next complete line, or nothing.
    std::optional<QByteArray> take();
    bool overflow() const { return overflow_; }

  private:
    QByteArray data_;
    qsizetype start_ = 0;   // where the next line begins
    qsizetype scanned_ = 0; // data_ up to here holds no line end after start_
    bool overflow_ = false;
};

// "HOST:PORT" (or "[v6]:PORT") as a network address; nothing for anything
// else, such as a serial device path (which may contain colons).
struct Address {
    QString host;
    quint16 port = 0;
};
std::optional<Address> address(const QString& text);
// A listening port typed as 0..65535 (0 = any free one); nothing otherwise.
std::optional<quint16> port_text(const QString& text);

} // namespace lb
