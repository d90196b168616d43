#pragma once
// Serves the WiThrottle protocol (wt_line.h) to throttle apps on phones and
// tablets: they drive locos, switch accessories, request routes and switch
// track power through the program, each as the program's own windows do,
// and hear every change of what they hold or show, whoever made it. One
// handler per client, all on the main thread. Nobody on the network can
// exhaust it: connections, their silence and their unread output are limited.

#include "core/services.h"
#include "requests/job_kinds.h"
#include "withrottle/announce.h"
#include "withrottle/wt_line.h"

#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class Connection;
class Keyboard;
class LocoList;
struct LocoEntry;
class Power;
class QSocketNotifier;
class QTcpServer;
class QTcpSocket;
class RoutePanel;
class RouteTable;
class WtLocos;
namespace ln {
class Msg;
}

class WiThrottleServer : public QObject {
    Q_OBJECT
  public:
    WiThrottleServer(const Services& s, Connection& conn, Power& power, Keyboard& keyboard,
                     RouteTable& routes, RoutePanel& panel, WtLocos& locos, const LocoList& list,
                     QObject* parent = nullptr);
    ~WiThrottleServer() override;

    // Port 0 takes any free port; port() tells which.
    bool listen(const QHostAddress& address, quint16 port);
    bool listening() const;
    QHostAddress address() const;
    quint16 port() const;
    QString errorString() const;

    // Announces the server on the network by the platform's DNS-SD service;
    // where there is none, says so once in the log.
    void announce(std::unique_ptr<Announcement> announcement = Announcement::make());
    const Announcement* announcement() const { return announcement_.get(); }

    // A connected device as the window shows it.
    struct Device {
        QString name; // as the device calls itself; its address until it does
        QString peer; // address and port
        QList<int> locos;
        QStringList names; // the locos by name and address
    };
    QList<Device> devices() const;

    // A client that asked for heartbeat monitoring and says nothing for
    // longer than this has its locos stopped at once (emergency stop): the
    // interval it is told, and 2 s for a slow network.
    static constexpr double HeartbeatLapse = wt::HeartbeatInterval + 2.0;
    // Silent this long, it is closed and its locos are let go.
    static constexpr double SilenceLimit = 3.0 * wt::HeartbeatInterval;
    // A connection that has not said a word by then is closed.
    static constexpr double GreetingDeadline = 3.0 * wt::HeartbeatInterval;
    // A client that keeps speaking hears a line at least this often.
    static constexpr double KeepAlive = wt::HeartbeatInterval / 2.0;
    // A device that comes back (same id) has this long to take its locos again.
    static constexpr double Handover = wt::HeartbeatInterval;
    static constexpr int MaxClients = 32;
    // Output a client has not read; more, and it is closed.
    static constexpr qint64 OutputLimit = 1024 * 1024;
    // Accepting failed (no file handles left): tried again after this long.
    static constexpr double AcceptRetry = 1.0;

    // What time drives: greeting deadlines, heartbeat lapses, silent
    // clients, handovers, a failed accept. Runs on a timer that runs only
    // while one of them is due.
    void check_deadlines();

    // Where lines the server cannot read are reported (standard error).
    std::function<void(const QString&)> log;

    static inline const QString ServiceType = QStringLiteral("_withrottle._tcp");

  signals:
    void devices_changed();
    void server_changed(); // it listens now, or its announcement changed

  private:
    struct Client;
    struct Held;

    void take_connections();
    void accept();
    void refuse(QTcpSocket* socket);
    void read(Client* c);
    void handle(Client* c, const QByteArray& line);
    void complain(Client* c, const QString& reason, const QByteArray& line, bool tell);
    QString who(const Client* c) const;
    // Ends the connection; its locos are let go (with stop: stopped where
    // nobody else holds them) once it is gone.
    void close(Client* c, const QString& why, bool stop);
    void drop(quint64 serial);
    void greet(Client* c);
    void send(Client* c, const QString& line);
    void broadcast(const QString& line);
    void take_over(Client* c);
    void lapse(Client* c);
    double next_deadline() const;
    void arm();
    // The engine's rule for a client's command of that kind; a refused
    // client hears why.
    bool refused(Client* c, JobKind kind);
    void tell_refusal(Client* c, const QString& why);

    void acquire(Client* c, const wt::Command& cmd);
    void release(Client* c, const wt::Command& cmd);
    void loco_action(Client* c, Held& h, const wt::Command& cmd);
    void let_go(Held& h, bool stop);
    void let_go_all(std::vector<std::unique_ptr<Held>>& locos, bool stop);
    void forget(Client* c, Held& h, bool stop);
    void introduce(Client* c, Held& h);
    void bound(int handle);
    void bind_failed(int handle, const QString& why);
    void loco_changed(int handle);
    void list_changed();
    void use_entry(Held& h);
    // The loco list's entry of a loco, or the default: F2 momentary.
    LocoEntry entry_for(int address) const;
    void tell_state(Client* c, Held& h, bool all);
    std::pair<Client*, Held*> holder(int handle);

    void switch_turnout(Client* c, const wt::Command& cmd);
    void sw_report(const ln::Msg& m);
    void switch_power(Client* c, int on);
    void power_shown(int state);
    void routes_changed(int firstColumn, int lastColumn);
    void tell_routes();

    QString power_line() const;
    QString turnouts() const;
    QString routes() const;
    void refresh_lists();
    int route_state(int r) const;

    Services s_;
    Power& power_;
    Keyboard& keyboard_;
    RouteTable& table_;
    RoutePanel& panel_;
    WtLocos& locos_;
    const LocoList& list_;
    QTcpServer* server_;
    QTimer* deadlines_;
    QSocketNotifier* incoming_ = nullptr; // the listening socket has a connection waiting
    quint64 accepted_ = 0;
    double acceptRetry_ = -1; // when accepting is tried again; -1: it works
    double refusedLogged_ = -1e9;
    quint64 serials_ = 0;
    std::unique_ptr<Announcement> announcement_;
    bool announcementLogged_ = false;
    std::vector<std::unique_ptr<Client>> clients_;

    std::map<int, int> switched_;    // accessory number -> state, as reported in this run
    std::vector<int> tableTurnouts_; // accessories the route table names
    std::vector<int> routeList_;     // routes with steps
    std::map<int, int> routeState_;  // route -> state last told
    bool routesPending_ = false;
    QString rosterSent_, turnoutsSent_, routesSent_;
};
