#pragma once
// Shares the program's LocoNet connection with other programs over TCP (the
// LbServer text protocol, see lb_line.h). Every message taken in from the
// bus goes to every client as RECEIVE; a client's SEND joins one queue and
// goes out through the link's transmit buffer when the program's own
// producers leave it free, so the two never interleave. Each SEND gets one
// SENT answer, and each client gets its answers in the order it sent.

#include "link.h"
#include "trace.h"

#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <deque>
#include <memory>
#include <vector>

class Clock;
class QTcpServer;
class QTcpSocket;

class LbServer : public QObject, public ln::TrafficTap, public Link::Producer {
    Q_OBJECT
  public:
    LbServer(const Clock& clock, Link& link, QObject* parent = nullptr);
    ~LbServer() override;

    // Port 0 takes any free port; port() tells which.
    bool listen(const QHostAddress& address, quint16 port);
    quint16 port() const;
    QString errorString() const;
    int clientCount() const { return int(clients_.size()); }

    // A SEND that has not reached the bus by then (the program is not
    // connected, or the bus is that busy) is answered with an error.
    static constexpr double QueueTimeout = 10.0;
    // SENDs one client may have waiting; more are refused at once.
    static constexpr int MaxWaiting = 256;
    // Answers the SENDs that waited too long; runs on a timer while any wait.
    void expire();

    void traffic(double seconds, ln::Traffic what, const QByteArray& message) override;
    void fill(Link& link) override;
    void finished(bool echoed) override;
    bool guest() const override { return true; }

  private:
    struct Client;
    struct Job {
        Client* client; // null once the client has gone
        quint64 id;
        QByteArray message;
        double since;
    };
    void accept();
    void read(Client* c);
    void handle(Client* c, const QByteArray& line);
    void answer(Client* c, quint64 id, const QByteArray& text);
    void drop(Client* c);
    void arm_expiry();

    const Clock& clock_;
    Link& link_;
    QTcpServer* server_;
    QTimer expiry_;
    std::vector<std::unique_ptr<Client>> clients_;
    std::deque<Job> queue_;
    std::optional<Job> inFlight_;
    quint64 nextId_ = 1;
};
