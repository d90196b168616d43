#pragma once
// A LocoNet connection shared by an LbServer over TCP, as a port: the name
// is "HOST:PORT"; what the link writes goes out as SEND lines, RECEIVE lines
// come back as the bytes of their messages. Connecting runs in the
// background; a refused or lost connection is reported as a failed port.

#include "lb_line.h"
#include "port.h"

#include <QTcpSocket>

class LbClientPort : public Port {
    Q_OBJECT
  public:
    explicit LbClientPort(QObject* parent = nullptr);

    bool open(const QString& name, const PortSettings& settings) override;
    void close() override;
    bool isOpen() const override { return open_; }
    qint64 bytesAvailable() const override { return rx_.size(); }
    QByteArray readAll() override;
    bool write(const QByteArray& bytes) override;
    void clear() override { rx_.clear(); }
    bool cts() const override { return true; }
    void setBreak(bool) override {}
    QString errorString() const override { return error_; }
    // Tries a connection of its own to the server, one per call: true when
    // the one started by the call before stood meanwhile.
    bool present(const QString& name) override;

    // The server's greeting, once it came.
    const QByteArray& serverVersion() const { return version_; }

  private:
    void read();
    void fail(const QString& error);

    QTcpSocket socket_;
    QTcpSocket probe_;
    lb::LineBuffer in_;
    QByteArray rx_;      // bytes of RECEIVEd messages not yet read
    QByteArray pending_; // lines written before the connection stood
    QByteArray version_;
    QString error_;
    bool open_ = false;
};
