#pragma once
// A pseudo-terminal as a Port: the station holds the master side, another
// program opens the slave side by its path as if it were a serial device.
// While no program has the slave open, what the station writes is dropped,
// as on a cable that nobody has plugged in. Systems without pseudo-terminals
// (Windows) refuse open().

#include "loconet/port.h"

class QSocketNotifier;
class QTimer;

namespace sim {

class PtyPort : public Port {
    Q_OBJECT
  public:
    explicit PtyPort(QObject* parent = nullptr);
    ~PtyPort() override;

    // Makes a new pseudo-terminal (the name is ignored) in raw mode.
    bool open(const QString& name = {}, const PortSettings& settings = {}) override;
    void close() override;
    bool isOpen() const override { return master_ >= 0; }
    qint64 bytesAvailable() const override { return inbox_.size(); }
    QByteArray readAll() override;
    bool write(const QByteArray& bytes) override;
    void clear() override { inbox_.clear(); }
    bool cts() const override { return true; }
    void setBreak(bool) override {}
    QString errorString() const override { return error_; }
    // It makes its own terminal: always there to be opened.
    bool present(const QString&) override { return true; }

    // The path another program opens, e.g. /dev/pts/3.
    QString slavePath() const { return slavePath_; }
    // True while some program has the slave side open.
    bool peerConnected() const { return isOpen() && !hungUp_; }
    // Most bytes taken from the terminal per wake-up.
    static constexpr int ReadChunk = 4096;

  private:
    void readMaster();
    void checkHangup();

    int master_ = -1;
    bool hungUp_ = true;
    QString slavePath_, error_;
    QByteArray inbox_;
    QSocketNotifier* notifier_ = nullptr;
    QTimer* hangupPoll_ = nullptr;
};

} // namespace sim
