#pragma once
// Two connected in-memory ports: what one end writes, the other end reads.

#include "port.h"

#include <QPointer>

class MemoryPort : public Port {
    Q_OBJECT
  public:
    using Port::Port;

    bool open(const QString& name, const PortSettings& settings) override;
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    qint64 bytesAvailable() const override { return inbox_.size(); }
    QByteArray readAll() override;
    bool write(const QByteArray& bytes) override;
    void clear() override { inbox_.clear(); }
    bool cts() const override { return cts_; }
    void setBreak(bool on) override { breakOn_ = on; }
    QString errorString() const override { return error_; }
    // A port that refuses to open counts as not there.
    bool present(const QString&) override { return refuse_.isEmpty(); }

    // Test and simulation controls.
    void connectTo(MemoryPort* peer) { peer_ = peer; }
    void setCts(bool on) { cts_ = on; }
    bool breakOn() const { return breakOn_; }
    void refuseOpen(const QString& error) { refuse_ = error; }
    void vanish(const QString& error);
    // Everything written by this end so far (the wire as seen from here).
    const QByteArray& written() const { return written_; }
    void clearWritten() { written_.clear(); }
    const QString& name() const { return name_; }
    const PortSettings& settings() const { return settings_; }
    // Feed bytes as if the peer had sent them.
    void inject(const QByteArray& bytes);

  private:
    QPointer<MemoryPort> peer_;
    QByteArray inbox_, written_;
    QString name_, error_, refuse_;
    PortSettings settings_;
    bool open_ = false, cts_ = true, breakOn_ = false;
};

// Convenience owner of a connected pair.
struct MemoryPortPair {
    MemoryPortPair() { a.connectTo(&b), b.connectTo(&a); }
    MemoryPort a, b;
};
