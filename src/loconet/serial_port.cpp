#include "serial_port.h"

#include <QFileInfo>
#include <QSerialPortInfo>
#include <cerrno>

namespace {
const QString kBelegt = QStringLiteral("Der Port wird von einem anderen Programm benutzt.");
}

QString port_error_text(QSerialPort::SerialPortError error, const QString& systemText)
{
    if (error != QSerialPort::PermissionError)
        return systemText;
#ifdef Q_OS_WIN
    return kBelegt; // a COM port admits one program; a second is denied access
#else
    // Another program holds the port's lock file, or opened it exclusively.
    if (systemText.contains(QLatin1String("locking")) || systemText == qt_error_string(EBUSY))
        return kBelegt;
    return systemText;
#endif
}

SerialPort::SerialPort(QObject* parent) : Port(parent)
{
    connect(&port_, &QSerialPort::readyRead, this, &Port::readyRead);
    connect(&port_, &QSerialPort::errorOccurred, this, &SerialPort::onError);
}

bool SerialPort::apply(const PortSettings& s)
{
    const auto parity = s.parity == 'e'   ? QSerialPort::EvenParity
                        : s.parity == 'o' ? QSerialPort::OddParity
                                          : QSerialPort::NoParity;
    const bool ok =
        port_.setBaudRate(s.baud) && port_.setDataBits(QSerialPort::DataBits(s.dataBits)) &&
        port_.setParity(parity) &&
        port_.setStopBits(s.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop) &&
        port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!ok)
        return false;
    // Best effort: not every port has these lines.
    port_.setDataTerminalReady(s.dtr);
    port_.setRequestToSend(s.rts);
    port_.clearError();
    return true;
}

bool SerialPort::open(const QString& name, const PortSettings& s)
{
    if (port_.isOpen() && name != name_)
        port_.close();
    if (!port_.isOpen()) {
        port_.setPortName(name);
        name_ = name;
        noPinout_ = false;
        if (!port_.open(QIODevice::ReadWrite)) {
            error_ = port_error_text(port_.error(), port_.errorString());
            return false;
        }
    }
    if (!apply(s)) {
        error_ = port_.errorString();
        port_.close();
        return false;
    }
    error_.clear();
    return true;
}

void SerialPort::close()
{
    if (port_.isOpen())
        port_.close();
}

bool SerialPort::write(const QByteArray& bytes)
{
    return port_.isOpen() && port_.write(bytes) == bytes.size();
}

void SerialPort::clear()
{
    if (port_.isOpen())
        port_.clear();
}

bool SerialPort::cts() const
{
    if (noPinout_ || !port_.isOpen())
        return true;
    const auto signals_ = port_.pinoutSignals();
    if (port_.error() == QSerialPort::UnsupportedOperationError) {
        noPinout_ = true; // no CTS line to watch: never hold the sender back
        port_.clearError();
        return true;
    }
    return signals_.testFlag(QSerialPort::ClearToSendSignal);
}

void SerialPort::setBreak(bool on)
{
    if (port_.isOpen() && !port_.setBreakEnabled(on))
        port_.clearError();
}

bool SerialPort::present(const QString& name)
{
#ifdef Q_OS_UNIX
    // The device file comes and goes with the adapter; a symbolic link (a
    // udev name, a pseudo-terminal) counts when what it points to is there.
    // Pseudo-terminals are in no list of serial ports.
    return QFileInfo::exists(name);
#else
    return !QSerialPortInfo(name).isNull();
#endif
}

void SerialPort::onError(QSerialPort::SerialPortError e)
{
    // A vanished device keeps raising read errors until the port is closed.
    if (e != QSerialPort::ReadError && e != QSerialPort::ResourceError &&
        e != QSerialPort::WriteError)
        return;
    if (!port_.isOpen())
        return;
    error_ = port_.errorString();
    port_.close();
    emit failed(error_);
}
