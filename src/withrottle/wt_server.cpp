#include "wt_server.h"

#include "accessory/keyboard.h"
#include "connection/connection.h"
#include "core/clock.h"
#include "core/station_state.h"
#include "loco/loco_list.h"
#include "loco/slots.h"
#include "loconet/dispatch.h"
#include "loconet/lb_line.h"
#include "loconet/views.h"
#include "requests/basic_jobs.h"
#include "requests/engine.h"
#include "routes/route_panel.h"
#include "routes/route_step.h"
#include "routes/route_table.h"
#include "withrottle/wt_client.h"
#include "withrottle/wt_line.h"
#include "withrottle/wt_locos.h"

#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>
#include <cstdio>

namespace {
const QString kServiceName = QStringLiteral("Quorail");
// Shown in the client's app.
const QString kZeileZuLang = QStringLiteral("Zeile zu lang: die Verbindung wird getrennt.");
const QString kUnlesbar = QStringLiteral("Zeile nicht lesbar: sie wird übergangen.");
const QString kZuViele = QStringLiteral("Zu viele Geräte verbunden: die Verbindung wird getrennt.");
const QString kAngehalten =
    QStringLiteral("Keine Nachricht seit %1 s: die Loks dieses Geräts wurden angehalten.");
constexpr double ComplaintGap = 1.0; // seconds between two complaints about one client

static_assert(wt::MaxLine == lb::MaxLine, "the line buffer cuts at the protocol's limit");

// What a line holds, fit for one line of a log.
QString excerpt(const QByteArray& line)
{
    QString text;
    for (const char ch : line.left(60)) {
        const auto b = uchar(ch);
        text += b >= 0x20 && b < 0x7F ? QString(QChar(b))
                                      : QStringLiteral("\\x%1").arg(b, 2, 16, QLatin1Char('0'));
    }
    return line.size() > 60 ? text + QStringLiteral("...") : text;
}

// The heartbeat interval the clients are told, also as a line that keeps them connected.
QString heartbeat_line()
{
    return QStringLiteral("*%1").arg(wt::HeartbeatInterval);
}

void to_stderr(const QString& text)
{
    std::fprintf(stderr, "quorail: %s\n", qPrintable(text));
}
} // namespace

WiThrottleServer::WiThrottleServer(const Services& s, Connection& conn, Power& power,
                                   Keyboard& keyboard, RouteTable& routes, RoutePanel& panel,
                                   WtLocos& locos, const LocoList& list, QObject* parent)
    : QObject(parent), log(to_stderr), s_(s), power_(power), keyboard_(keyboard), table_(routes),
      panel_(panel), locos_(locos), list_(list), server_(new QTcpServer(this)),
      deadlines_(new QTimer(this))
{
    deadlines_->setObjectName(QStringLiteral("WtDeadlines"));
    deadlines_->setSingleShot(true);
    connect(deadlines_, &QTimer::timeout, this, &WiThrottleServer::check_deadlines);
    connect(&locos_, &WtLocos::bound, this, &WiThrottleServer::bound);
    connect(&locos_, &WtLocos::bind_failed, this, &WiThrottleServer::bind_failed);
    connect(&locos_, &WtLocos::changed, this, &WiThrottleServer::loco_changed);
    connect(&locos_, &WtLocos::refused, this, [this](int handle, const QString& why) {
        if (Client* c = holder(handle).first)
            tell_refusal(c, why);
    });
    connect(&list_, &LocoList::changed, this, &WiThrottleServer::list_changed);
    connect(&s_.state, &StationState::power_shown, this, &WiThrottleServer::power_shown);
    // Commands are taken once the connection is up: only then is power told.
    // The locos bind anew by themselves: the station may have given them
    // other slots meanwhile.
    connect(&conn, &Connection::connected, this, [this] { broadcast(power_line()); });
    connect(&conn, &Connection::disconnected, this, [this] { broadcast(power_line()); });
    connect(&table_, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& from, const QModelIndex& to) {
                routes_changed(from.column(), to.column());
            });
    connect(&table_, &QAbstractItemModel::modelReset, this, &WiThrottleServer::refresh_lists);
    s_.dispatch.on(ln::op::SwReq, [this](const ln::Msg& m) { sw_report(m); });
}

WiThrottleServer::~WiThrottleServer()
{
    for (const auto& c : clients_)
        c->socket->disconnect(this);
}

bool WiThrottleServer::listen(const QHostAddress& address, quint16 port)
{
    if (!server_->listen(address, port))
        return false;
    // Qt's own accept loop spins when no file handle is left (it takes that
    // for a passing error): the connections are taken here instead.
    server_->pauseAccepting();
    incoming_ = new QSocketNotifier(server_->socketDescriptor(), QSocketNotifier::Read, this);
    connect(incoming_, &QSocketNotifier::activated, this, &WiThrottleServer::take_connections);
    refresh_lists();
    emit server_changed();
    return true;
}

bool WiThrottleServer::listening() const
{
    return server_->isListening();
}

QHostAddress WiThrottleServer::address() const
{
    return server_->serverAddress();
}

quint16 WiThrottleServer::port() const
{
    return server_->serverPort();
}

QString WiThrottleServer::errorString() const
{
    return server_->errorString();
}

void WiThrottleServer::announce(std::unique_ptr<Announcement> announcement)
{
    announcement_ = std::move(announcement);
    connect(announcement_.get(), &Announcement::status_changed, this,
            [this](Announcement::Status status) {
                if (status == Announcement::Status::Unavailable && !announcementLogged_) {
                    announcementLogged_ = true;
                    log(QStringLiteral("WiThrottle is not announced on the network (%1); "
                                       "clients are given the address and port by hand")
                            .arg(announcement_->detail()));
                }
                emit server_changed();
            });
    announcement_->start(kServiceName, ServiceType, port(), address());
}

QList<WiThrottleServer::Device> WiThrottleServer::devices() const
{
    QList<Device> list;
    for (const auto& c : clients_) {
        if (c->closing)
            continue;
        Device d{c->name.isEmpty() ? c->peer : c->name, c->peer, {}, {}};
        for (const auto* locos : {&c->locos, &c->handed})
            for (const auto& h : *locos) {
                const QString name = list_.name(h->address);
                d.locos << h->address;
                d.names << (name.isEmpty() ? QString::number(h->address)
                                           : QStringLiteral("%1 (%2)").arg(name).arg(h->address));
            }
        list << d;
    }
    return list;
}

// --- Connections -------------------------------------------------------------

void WiThrottleServer::take_connections()
{
    incoming_->setEnabled(false);
    const quint64 before = accepted_;
    server_->waitForNewConnection(0);
    accept();
    if (accepted_ == before) {
        // Waiting, but not taken: out of file handles. Waiting for the
        // socket again would wake at once, over and over; a second later
        // one more try.
        if (acceptRetry_ < 0)
            log(QStringLiteral("WiThrottle cannot accept a connection (%1); it tries again "
                               "every second")
                    .arg(server_->errorString()));
        acceptRetry_ = s_.clock.now() + AcceptRetry;
        arm();
        return;
    }
    if (acceptRetry_ >= 0)
        log(QStringLiteral("WiThrottle accepts connections again"));
    acceptRetry_ = -1;
    incoming_->setEnabled(true);
}

void WiThrottleServer::accept()
{
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        ++accepted_;
        if (std::count_if(clients_.begin(), clients_.end(),
                          [](const auto& c) { return !c->closing; }) >= MaxClients) {
            refuse(socket);
            continue;
        }
        auto client = std::make_unique<Client>();
        Client* c = client.get();
        c->serial = ++serials_;
        c->socket = socket;
        // A small line is sent at once, not held back until the last is acknowledged.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        bool v4 = false;
        const quint32 ip4 = socket->peerAddress().toIPv4Address(&v4);
        c->peer = QStringLiteral("%1:%2")
                      .arg(v4 ? QHostAddress(ip4).toString() : socket->peerAddress().toString())
                      .arg(socket->peerPort());
        c->heard = s_.clock.now();
        clients_.push_back(std::move(client));
        connect(socket, &QTcpSocket::readyRead, this, [this, c] { read(c); });
        // Never within a handler of the client's own: a "Q" ends its socket
        // in the middle of reading it.
        const quint64 serial = c->serial;
        connect(
            socket, &QTcpSocket::disconnected, this, [this, serial] { drop(serial); },
            Qt::QueuedConnection);
        greet(c);
        emit devices_changed();
    }
    server_->pauseAccepting(); // taking a connection gave Qt's loop back its socket
    arm();
}

void WiThrottleServer::refuse(QTcpSocket* socket)
{
    const double now = s_.clock.now();
    if (now - refusedLogged_ >= ComplaintGap) {
        refusedLogged_ = now;
        log(QStringLiteral("WiThrottle %1: refused, %2 devices are connected")
                .arg(socket->peerAddress().toString())
                .arg(MaxClients));
    }
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    socket->write((QStringLiteral("HM") + kZuViele + u'\n').toUtf8());
    socket->disconnectFromHost();
}

void WiThrottleServer::greet(Client* c)
{
    send(c, QStringLiteral("VN2.0"));
    send(c, rosterSent_);
    send(c, wt::turnout_titles());
    send(c, turnoutsSent_);
    send(c, wt::route_titles());
    send(c, routesSent_);
    send(c, power_line());
    send(c, heartbeat_line());
}

void WiThrottleServer::send(Client* c, const QString& line)
{
    if (c->closing || c->socket->state() != QAbstractSocket::ConnectedState)
        return;
    c->socket->write(line.toUtf8() + '\n');
    c->sentAt = s_.clock.now();
    // A client that does not read must not make the program grow.
    if (c->socket->bytesToWrite() > OutputLimit)
        close(c, QStringLiteral("more than %1 bytes sent to it unread").arg(OutputLimit), true);
}

void WiThrottleServer::broadcast(const QString& line)
{
    for (const auto& c : clients_)
        send(c.get(), line);
}

void WiThrottleServer::read(Client* c)
{
    c->in.append(c->socket->readAll());
    // After "Q" nothing more of the client is taken.
    while (!c->closing)
        if (const auto line = c->in.take())
            handle(c, *line);
        else
            break;
    if (c->in.overflow() && !c->closing) {
        complain(c, QStringLiteral("line over %1 bytes").arg(wt::MaxLine), {}, false);
        send(c, QStringLiteral("HM") + kZeileZuLang);
        close(c, {}, true);
    }
    arm();
}

void WiThrottleServer::handle(Client* c, const QByteArray& line)
{
    using wt::Command;
    const Command cmd = wt::parse(line);
    if (cmd.kind == Command::Empty)
        return;
    const double now = s_.clock.now();
    c->heard = now;
    c->spoke = true;
    c->lapsed = false;
    switch (cmd.kind) {
    case Command::Name:
        c->name = cmd.text;
        send(c, heartbeat_line()); // the interval again, as the apps expect
        emit devices_changed();
        break;
    case Command::DeviceId:
        c->id = cmd.text;
        take_over(c);
        break;
    case Command::HeartbeatOn: c->monitored = true; break;
    case Command::HeartbeatOff: c->monitored = false; break;
    case Command::Quit: close(c, {}, true); break;
    case Command::Acquire: acquire(c, cmd); break;
    case Command::Release: release(c, cmd); break;
    case Command::Loco: {
        bool any = false;
        for (const auto& h : c->locos)
            if (h->throttle == cmd.throttle && (cmd.address == 0 || h->address == cmd.address)) {
                any = true;
                loco_action(c, *h, cmd);
            }
        if (!any)
            complain(c, QStringLiteral("a loco the throttle does not hold"), line, false);
        break;
    }
    case Command::Turnout: switch_turnout(c, cmd); break;
    case Command::Route: // a route switches accessories: asked like a switch
        if (!refused(c, JobKind::SwitchPulse))
            panel_.request_route(cmd.number);
        break;
    case Command::Power: switch_power(c, cmd.value); break;
    case Command::Unreadable: complain(c, cmd.text, line, true); break;
    case Command::Bad: complain(c, cmd.text, line, false); break;
    case Command::Empty:
    case Command::Heartbeat: break;
    }
    // Apps reconnect after a while without a line from the server.
    if (now - c->sentAt >= KeepAlive)
        send(c, heartbeat_line());
}

QString WiThrottleServer::who(const Client* c) const
{
    return c->name.isEmpty() ? c->peer : c->name + QStringLiteral(" (") + c->peer + u')';
}

void WiThrottleServer::complain(Client* c, const QString& reason, const QByteArray& line, bool tell)
{
    const double now = s_.clock.now();
    if (now - c->complained < ComplaintGap)
        return;
    c->complained = now;
    log(QStringLiteral("WiThrottle %1: %2: %3").arg(who(c), reason, excerpt(line)));
    if (tell)
        send(c, QStringLiteral("HM") + kUnlesbar);
}

bool WiThrottleServer::refused(Client* c, JobKind kind)
{
    const auto why = s_.req.refusal(kind, ReqEngine::Caller::Quiet);
    if (why == ReqEngine::Refusal::None)
        return false;
    tell_refusal(c, s_.req.refusal_text(why));
    return true;
}

void WiThrottleServer::tell_refusal(Client* c, const QString& why)
{
    // The client hears why, but a burst of commands does not become a burst of alerts.
    const double now = s_.clock.now();
    if (now - c->refusedAt >= ComplaintGap) {
        c->refusedAt = now;
        send(c, QStringLiteral("HM") + why);
    }
}

void WiThrottleServer::close(Client* c, const QString& why, bool stop)
{
    if (c->closing)
        return;
    if (!why.isEmpty())
        log(QStringLiteral("WiThrottle %1: %2: closed").arg(who(c), why));
    c->closing = true;
    c->stopOnClose = stop;
    // Closed by its own "Q" or after being told why, it reads what is still
    // unsent; one that reads nothing or is gone is cut off at once.
    if (why.isEmpty())
        c->socket->disconnectFromHost();
    else
        c->socket->abort();
    // Its locos are let go out of any loop over them.
    const quint64 serial = c->serial;
    QMetaObject::invokeMethod(
        this, [this, serial] { drop(serial); }, Qt::QueuedConnection);
}

void WiThrottleServer::drop(quint64 serial)
{
    const auto it = std::find_if(clients_.begin(), clients_.end(),
                                 [serial](const auto& c) { return c->serial == serial; });
    if (it == clients_.end())
        return;
    Client* c = it->get();
    if (!c->closing) { // the client closed: the lines it sent last still count
        if (c->socket->isReadable())
            read(c);
        c->closing = true;
    }
    let_go_all(c->locos, c->stopOnClose);
    let_go_all(c->handed, true);
    c->socket->disconnect(this);
    c->socket->deleteLater();
    clients_.erase(it);
    emit devices_changed();
    arm();
}

void WiThrottleServer::take_over(Client* c)
{
    // A device that lost its network comes back on a new connection: the
    // old one is gone in all but name.
    for (const auto& o : clients_) {
        if (o.get() == c || o->closing || o->id != c->id)
            continue;
        for (auto* locos : {&o->locos, &o->handed})
            for (auto& h : *locos)
                c->handed.push_back(std::move(h));
        o->locos.clear();
        o->handed.clear();
        c->handoverDue = s_.clock.now() + Handover;
        close(o.get(), QStringLiteral("replaced by %1").arg(c->peer), false);
    }
    emit devices_changed();
}

void WiThrottleServer::lapse(Client* c)
{
    c->lapsed = true;
    log(QStringLiteral("WiThrottle %1: no heartbeat for %2 s: its locos are stopped")
            .arg(who(c))
            .arg(HeartbeatLapse));
    for (const auto& h : c->locos) {
        const auto intended = locos_.intended(h->handle);
        if (!intended || intended->Spd > 1)
            locos_.stop(h->handle, true);
    }
    send(c, QStringLiteral("HM") + kAngehalten.arg(HeartbeatLapse));
}

void WiThrottleServer::check_deadlines()
{
    const double now = s_.clock.now();
    for (const auto& p : clients_) {
        Client* c = p.get();
        if (c->closing)
            continue;
        const double silent = now - c->heard;
        if (!c->spoke && silent > GreetingDeadline) {
            close(c, QStringLiteral("no line within %1 s").arg(GreetingDeadline), true);
            continue;
        }
        if (c->lapsed && silent > SilenceLimit) {
            // Its locos were stopped at the lapse; whoever drives them now keeps them going.
            close(c, QStringLiteral("silent for %1 s").arg(SilenceLimit), false);
            continue;
        }
        if (c->monitored && !c->lapsed && silent > HeartbeatLapse)
            lapse(c);
        if (!c->handed.empty() && now >= c->handoverDue) {
            let_go_all(c->handed, true);
            emit devices_changed();
        }
    }
    if (acceptRetry_ >= 0 && now >= acceptRetry_ && incoming_)
        incoming_->setEnabled(true);
    arm();
}

double WiThrottleServer::next_deadline() const
{
    double due = -1;
    const auto at = [&due](double t) { due = due < 0 ? t : std::min(due, t); };
    for (const auto& c : clients_) {
        if (c->closing)
            continue;
        if (!c->spoke)
            at(c->heard + GreetingDeadline);
        else if (c->lapsed)
            at(c->heard + SilenceLimit);
        else if (c->monitored)
            at(c->heard + HeartbeatLapse);
        if (!c->handed.empty())
            at(c->handoverDue);
    }
    if (acceptRetry_ >= 0)
        at(acceptRetry_);
    return due;
}

void WiThrottleServer::arm()
{
    wake_at(*deadlines_, s_.clock, next_deadline());
}

// --- Accessories, routes, power ---------------------------------------------

void WiThrottleServer::switch_turnout(Client* c, const wt::Command& cmd)
{
    const auto known = switched_.find(cmd.number);
    const int state = known == switched_.end() ? wt::Unknown : known->second;
    if (refused(c, JobKind::SwitchPulse)) { // the client's button goes back to what is known
        send(c, QStringLiteral("PTA%1").arg(state) + wt::turnout_system_name(cmd.number));
        return;
    }
    // Closed is green (direction 1), thrown is red.
    const int green = cmd.value == 'C' ? 1 : cmd.value == 'T' ? 0 : state == wt::Closed ? 0 : 1;
    keyboard_.switch_pulse(cmd.number, green, ReqEngine::Caller::Quiet);
}

void WiThrottleServer::sw_report(const ln::Msg& m)
{
    const ln::SwitchRequest r(m);
    if (!r.on()) // the off message changes no state
        return;
    const int n = r.address() + 1;
    const int state = r.green() ? wt::Closed : wt::Thrown;
    const auto [it, fresh] = switched_.try_emplace(n, state);
    it->second = state;
    // Also an unchanged state is told: the client that asked for it hears it was done.
    const bool listed = std::binary_search(tableTurnouts_.begin(), tableTurnouts_.end(), n);
    if (fresh && !listed)
        refresh_lists(); // a new entry: the clients get the whole list again
    else
        broadcast(QStringLiteral("PTA%1").arg(state) + wt::turnout_system_name(n));
}

void WiThrottleServer::switch_power(Client* c, int on)
{
    // STOP goes out whatever runs, as the main window's button does.
    if (refused(c, on ? JobKind::PowerOn : JobKind::PowerOff)) {
        send(c, power_line());
        return;
    }
    power_.set(on != 0, ReqEngine::Caller::Quiet);
}

void WiThrottleServer::power_shown(int state)
{
    if (s_.req.online())
        broadcast(QStringLiteral("PPA%1").arg(state));
}

QString WiThrottleServer::power_line() const
{
    return QStringLiteral("PPA%1").arg(s_.req.online() ? s_.state.PowerState : 2);
}

int WiThrottleServer::route_state(int r) const
{
    if (table_.flag(r, RouteTable::Active))
        return wt::Active;
    return table_.flag(r, RouteTable::Requested) ? wt::Inconsistent : wt::Inactive;
}

void WiThrottleServer::routes_changed(int firstColumn, int lastColumn)
{
    if (!listening())
        return;
    if (firstColumn > RouteTable::Blocked || lastColumn > RouteTable::Blocked) {
        refresh_lists(); // steps or triggers: the lists may change
        return;
    }
    // The engine moves a route from requested to active in two steps; the
    // clients hear where it ended.
    if (!routesPending_)
        QMetaObject::invokeMethod(this, &WiThrottleServer::tell_routes, Qt::QueuedConnection);
    routesPending_ = true;
}

void WiThrottleServer::tell_routes()
{
    routesPending_ = false;
    for (const int r : routeList_) {
        const int state = route_state(r);
        int& told = routeState_[r];
        if (told != state)
            broadcast(QStringLiteral("PRA%1").arg(state) + wt::route_system_name(r));
        told = state;
    }
}

void WiThrottleServer::refresh_lists()
{
    if (!listening())
        return; // no client to tell, and the program without the option does no more than before
    tableTurnouts_.clear();
    routeList_.clear();
    StepParts parts;
    for (int r = 1; r <= RouteTable::Routes; ++r) {
        bool steps = false;
        for (int col = RouteTable::RequestTrigger; col <= RouteTable::LastStep; ++col) {
            const QString& cell = table_.cell(r, col);
            if (cell.isEmpty())
                continue;
            steps = steps || col >= RouteTable::FirstStep;
            parse_step(cell, parts);
            const int n = parts.MaAdr.isEmpty() ? 0 : whole_value(parts.MaAdr);
            if (n >= 1 && n <= wt::Accessories)
                tableTurnouts_.push_back(n);
        }
        if (steps)
            routeList_.push_back(r);
    }
    std::sort(tableTurnouts_.begin(), tableTurnouts_.end());
    tableTurnouts_.erase(std::unique(tableTurnouts_.begin(), tableTurnouts_.end()),
                         tableTurnouts_.end());
    for (const int r : routeList_)
        routeState_[r] = route_state(r);

    const QString rosterNow = wt::roster_line(list_.entries()), turnoutsNow = turnouts(),
                  routesNow = routes();
    if (rosterNow != rosterSent_)
        broadcast(rosterSent_ = rosterNow);
    if (turnoutsNow != turnoutsSent_)
        broadcast(turnoutsSent_ = turnoutsNow);
    if (routesNow != routesSent_)
        broadcast(routesSent_ = routesNow);
}

QString WiThrottleServer::turnouts() const
{
    QList<wt::ListEntry> list;
    std::vector<int> numbers = tableTurnouts_;
    for (const auto& [n, state] : switched_)
        numbers.push_back(n);
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    for (const int n : numbers) {
        const auto known = switched_.find(n);
        list << wt::ListEntry{n, known == switched_.end() ? wt::Unknown : known->second};
    }
    return wt::turnout_list(list);
}

QString WiThrottleServer::routes() const
{
    QList<wt::ListEntry> list;
    for (const int r : routeList_)
        list << wt::ListEntry{r, route_state(r)};
    return wt::route_list(list);
}
