#pragma once
// A real serial or USB serial port. What a port cannot do (DTR/RTS/CTS on a
// pseudo-terminal or some USB adapters) is best effort: without a CTS line
// the port reports CTS on. A port that fails while open is closed at once
// and reported, so a pulled cable neither crashes nor spins.

#include "port.h"

#include <QSerialPort>

// The reason a port could not be opened or failed, as the user reads it: a
// port held by another program says so; anything else is the system's text.
QString port_error_text(QSerialPort::SerialPortError error, const QString& systemText);

class SerialPort : public Port {
    Q_OBJECT
  public:
    explicit SerialPort(QObject* parent = nullptr);

    bool open(const QString& name, const PortSettings& settings) override;
    void close() override;
    bool isOpen() const override { return port_.isOpen(); }
    qint64 bytesAvailable() const override { return port_.bytesAvailable(); }
    QByteArray readAll() override { return port_.readAll(); }
    bool write(const QByteArray& bytes) override;
    void clear() override;
    bool cts() const override;
    void setBreak(bool on) override;
    QString errorString() const override { return error_; }
    bool present(const QString& name) override;

  private:
    bool apply(const PortSettings& s);
    void onError(QSerialPort::SerialPortError e);

    mutable QSerialPort port_;
    QString error_, name_;
    mutable bool noPinout_ = false;
};
