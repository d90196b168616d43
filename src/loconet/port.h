#pragma once
// The byte channel under the LocoNet link: a serial port, an in-memory pair
// (tests, virtual station) or a pseudo-terminal. The link never knows which.

#include <QByteArray>
#include <QObject>
#include <QString>

struct PortSettings {
    int baud = 115200;
    int dataBits = 8;
    char parity = 'n';
    int stopBits = 1;
    bool dtr = false;
    bool rts = false;
};

class Port : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    ~Port() override = default;

    // Opens (or re-opens with new settings) the named device.
    virtual bool open(const QString& name, const PortSettings& settings) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual qint64 bytesAvailable() const = 0;
    virtual QByteArray readAll() = 0;
    virtual bool write(const QByteArray& bytes) = 0;
    // Discards what waits in the input and output buffers.
    virtual void clear() = 0;
    // Clear-to-send input; a port that cannot report it says true.
    virtual bool cts() const = 0;
    virtual void setBreak(bool on) = 0;
    virtual QString errorString() const = 0;
    // Whether the named device is there to be opened: asked now and then
    // while a port that vanished is awaited, so it must be cheap.
    virtual bool present(const QString& name) = 0;

  signals:
    void readyRead();
    // The open port failed for good (device removed, I/O error); it is closed.
    void failed(const QString& error);
};
