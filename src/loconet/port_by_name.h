#pragma once
// The port the user names: "HOST:PORT" opens a shared connection of an
// LbServer, anything else the serial port. The link sees one port either way.

#include "port.h"

class PortByName : public Port {
    Q_OBJECT
  public:
    PortByName(Port& serial, Port& network, QObject* parent = nullptr);

    bool open(const QString& name, const PortSettings& settings) override;
    void close() override { active_->close(); }
    bool isOpen() const override { return active_->isOpen(); }
    qint64 bytesAvailable() const override { return active_->bytesAvailable(); }
    QByteArray readAll() override { return active_->readAll(); }
    bool write(const QByteArray& bytes) override { return active_->write(bytes); }
    void clear() override { active_->clear(); }
    bool cts() const override { return active_->cts(); }
    void setBreak(bool on) override { active_->setBreak(on); }
    QString errorString() const override { return active_->errorString(); }
    bool present(const QString& name) override;

  private:
    Port& serial_;
    Port& network_;
    Port* active_;
};
