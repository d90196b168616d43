#include "lb_client_port.h"

namespace {
const QString kKeineAdresse = QStringLiteral("\"%1\" ist keine Adresse der Form Rechner:Port");
const QString kVerbindungBeendet = QStringLiteral("Die Gegenstelle hat die Verbindung beendet");
const QString kZeileZuLang = QStringLiteral("Die Gegenstelle sendet eine endlose Zeile");
} // namespace

LbClientPort::LbClientPort(QObject* parent) : Port(parent)
{
    connect(&socket_, &QTcpSocket::readyRead, this, &LbClientPort::read);
    connect(&socket_, &QTcpSocket::connected, this, [this] {
        socket_.write(pending_);
        pending_.clear();
    });
    connect(&socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
        fail(e == QAbstractSocket::RemoteHostClosedError ? kVerbindungBeendet
                                                         : socket_.errorString());
    });
    connect(&socket_, &QTcpSocket::disconnected, this, [this] { fail(kVerbindungBeendet); });
}

bool LbClientPort::open(const QString& name, const PortSettings&)
{
    close();
    const auto address = lb::address(name);
    if (!address) {
        error_ = kKeineAdresse.arg(name);
        return false;
    }
    in_ = lb::LineBuffer();
    rx_.clear();
    pending_.clear();
    version_.clear();
    error_.clear();
    open_ = true;
    socket_.connectToHost(address->host, address->port);
    return true;
}

void LbClientPort::close()
{
    open_ = false;
    socket_.abort();
    probe_.abort();
}

bool LbClientPort::present(const QString& name)
{
    const bool up = probe_.state() == QAbstractSocket::ConnectedState;
    probe_.abort();
    if (up)
        return true;
    // A host that is switched off may take longer than a poll to refuse:
    // each poll starts afresh rather than piling up attempts.
    if (const auto address = lb::address(name))
        probe_.connectToHost(address->host, address->port);
    return false;
}

QByteArray LbClientPort::readAll()
{
    QByteArray bytes;
    bytes.swap(rx_);
    return bytes;
}

bool LbClientPort::write(const QByteArray& bytes)
{
    if (!open_)
        return false;
    // The link writes each message whole in one call (this port never paces
    // by CTS), so a call is a SEND. The server refuses a malformed one and
    // the link's echo wait ends it; framing here could wait forever on a
    // typed message whose length byte does not fit.
    const QByteArray line = lb::format("SEND", bytes) + "\r\n";
    if (socket_.state() == QAbstractSocket::ConnectedState)
        socket_.write(line);
    else
        pending_ += line;
    return true;
}

void LbClientPort::read()
{
    in_.append(socket_.readAll());
    bool got = false;
    while (const auto text = in_.take()) {
        const lb::Line line = lb::parse(*text);
        if (line.kind == lb::Line::Receive) {
            rx_ += line.message;
            got = true;
        } else if (line.kind == lb::Line::Version) {
            version_ = line.text;
        }
        // SENT answers need no action: the echo (or its absence) tells the link.
    }
    if (in_.overflow()) {
        fail(kZeileZuLang);
        return;
    }
    if (got)
        emit readyRead();
}

void LbClientPort::fail(const QString& error)
{
    if (!open_)
        return;
    open_ = false;
    error_ = error;
    socket_.abort();
    emit failed(error);
}
