#pragma once
// What the WiThrottle server keeps of a connected client and of each loco
// it holds; shared by the server's two halves (connections and locos).

#include "loco/loco_list.h"
#include "loconet/lb_line.h"
#include "withrottle/wt_server.h"

#include <QString>
#include <bitset>
#include <memory>
#include <vector>

class QTcpSocket;

struct WiThrottleServer::Held {
    QChar throttle;
    QString key;
    int address = 0;
    int handle = 0;
    bool bound = false;
    // The loco list's entry (or the default) its labels and buttons follow.
    LocoEntry entry;
    std::bitset<wt::Functions> momentary;
    // What the client was last told, so feedback sends only what changed.
    int speed = -1, forward = -1, mode = -1;
    std::bitset<wt::Functions> functions;
};

struct WiThrottleServer::Client {
    quint64 serial = 0; // names it in queued calls, which may come after it is gone
    QTcpSocket* socket = nullptr;
    lb::LineBuffer in;
    QString name, id, peer;
    bool spoke = false;     // a line came from it
    bool monitored = false; // heartbeat monitoring asked for
    bool lapsed = false;    // its locos were stopped; it has been silent since
    bool closing = false;   // it is being closed: it holds nothing any more
    bool stopOnClose = true;
    double heard = 0;  // the last line, or the connection
    double sentAt = 0; // the last line sent to it
    double complained = -1e9;
    double refusedAt = -1e9;
    std::vector<std::unique_ptr<Held>> locos;
    // Locos of the connection this one replaced, until it takes them again.
    std::vector<std::unique_ptr<Held>> handed;
    double handoverDue = 0;
};
