#include "wt_server.h"

#include "accessory/keyboard.h"
#include "connection/connection.h"
#include "core/clock.h"
#include "core/station_state.h"
#include "loco/slots.h"
#include "loco/throttle.h"
#include "loconet/dispatch.h"
#include "loconet/lb_line.h"
#include "loconet/views.h"
#include "requests/basic_jobs.h"
#include "requests/engine.h"
#include "routes/route_panel.h"
#include "routes/route_step.h"
#include "routes/route_table.h"
#include "withrottle/wt_line.h"
#include "withrottle/wt_locos.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>
#include <bitset>
#include <cstdio>

namespace {
const QString kServiceName = QStringLiteral("Quorail");
// Shown in the client's app.
const QString kZeileZuLang = QStringLiteral("Zeile zu lang: die Verbindung wird getrennt.");
const QString kUnlesbar = QStringLiteral("Zeile nicht lesbar: sie wird übergangen.");
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

void to_stderr(const QString& text)
{
    std::fprintf(stderr, "quorail: %s\n", qPrintable(text));
}
} // namespace

struct WiThrottleServer::Held {
    QChar throttle;
    QString key;
    int address = 0;
    int handle = 0;
    bool bound = false;
    std::bitset<wt::Functions> momentary;
    // What the client was last told, so feedback sends only what changed.
    int speed = -1, forward = -1, mode = -1;
    std::bitset<wt::Functions> functions;
};

struct WiThrottleServer::Client {
    QTcpSocket* socket = nullptr;
    lb::LineBuffer in;
    QString name, id, peer;
    bool monitored = false; // heartbeat monitoring asked for
    bool lapsed = false;    // its locos were stopped; it has been silent since
    double heard = 0;
    double complained = -1e9;
    double refusedAt = -1e9;
    std::vector<std::unique_ptr<Held>> locos;
};

WiThrottleServer::WiThrottleServer(const Services& s, Connection& conn, Power& power,
                                   Keyboard& keyboard, RouteTable& routes, RoutePanel& panel,
                                   WtLocos& locos, QObject* parent)
    : QObject(parent), log(to_stderr), s_(s), power_(power), keyboard_(keyboard), table_(routes),
      panel_(panel), locos_(locos), server_(new QTcpServer(this))
{
    connect(server_, &QTcpServer::newConnection, this, &WiThrottleServer::accept);
    connect(&heartbeats_, &QTimer::timeout, this, &WiThrottleServer::check_heartbeats);
    connect(&locos_, &WtLocos::bound, this, &WiThrottleServer::bound);
    connect(&locos_, &WtLocos::bind_failed, this, &WiThrottleServer::bind_failed);
    connect(&locos_, &WtLocos::changed, this, &WiThrottleServer::loco_changed);
    connect(&locos_, &WtLocos::slot_seen, this, &WiThrottleServer::slot_seen);
    connect(&locos_, &WtLocos::refused, this, [this](int handle, const QString& why) {
        if (Client* c = holder(handle).first)
            tell_refusal(c, why);
    });
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
    heartbeats_.start(500);
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
        Device d{c->name.isEmpty() ? c->peer : c->name, c->peer, {}};
        for (const auto& h : c->locos)
            d.locos << h->address;
        list << d;
    }
    return list;
}

void WiThrottleServer::accept()
{
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        auto client = std::make_unique<Client>();
        Client* c = client.get();
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
        connect(
            socket, &QTcpSocket::disconnected, this, [this, c] { drop(c); }, Qt::QueuedConnection);
        greet(c);
        emit devices_changed();
    }
}

void WiThrottleServer::greet(Client* c)
{
    send(c, QStringLiteral("VN2.0"));
    send(c, rosterSent_ = roster());
    send(c, wt::turnout_titles());
    send(c, turnoutsSent_);
    send(c, wt::route_titles());
    send(c, routesSent_);
    send(c, power_line());
    send(c, QStringLiteral("*%1").arg(wt::HeartbeatInterval));
}

void WiThrottleServer::send(Client* c, const QString& line)
{
    c->socket->write(line.toUtf8() + '\n');
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
    while (c->socket->state() == QAbstractSocket::ConnectedState)
        if (const auto line = c->in.take())
            handle(c, *line);
        else
            break;
    if (c->in.overflow() && c->socket->state() == QAbstractSocket::ConnectedState) {
        complain(c, QStringLiteral("line over %1 bytes").arg(wt::MaxLine), {}, false);
        send(c, QStringLiteral("HM") + kZeileZuLang);
        c->socket->disconnectFromHost();
    }
}

void WiThrottleServer::handle(Client* c, const QByteArray& line)
{
    using wt::Command;
    const Command cmd = wt::parse(line);
    if (cmd.kind == Command::Empty)
        return;
    c->heard = s_.clock.now();
    c->lapsed = false;
    switch (cmd.kind) {
    case Command::Name:
        c->name = cmd.text;
        emit devices_changed();
        break;
    case Command::DeviceId: c->id = cmd.text; break;
    case Command::HeartbeatOn: c->monitored = true; break;
    case Command::HeartbeatOff: c->monitored = false; break;
    case Command::Quit: c->socket->disconnectFromHost(); break;
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
}

void WiThrottleServer::complain(Client* c, const QString& reason, const QByteArray& line, bool tell)
{
    const double now = s_.clock.now();
    if (now - c->complained < ComplaintGap)
        return;
    c->complained = now;
    const QString who =
        c->name.isEmpty() ? c->peer : c->name + QStringLiteral(" (") + c->peer + u')';
    log(QStringLiteral("WiThrottle %1: %2: %3").arg(who, reason, excerpt(line)));
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

void WiThrottleServer::drop(Client* c)
{
    for (const auto& h : c->locos)
        let_go(c, *h, true);
    c->locos.clear();
    c->socket->deleteLater();
    std::erase_if(clients_, [c](const auto& p) { return p.get() == c; });
    emit devices_changed();
}

// --- Locos -----------------------------------------------------------------

void WiThrottleServer::acquire(Client* c, const wt::Command& cmd)
{
    for (const auto& h : c->locos)
        if (h->throttle == cmd.throttle && h->address == cmd.address) {
            if (h->bound) // asked again: the client hears the loco's state again
                introduce(c, *h);
            return;
        }
    auto held = std::make_unique<Held>();
    Held& h = *held;
    h.throttle = cmd.throttle;
    h.key = cmd.key;
    h.address = cmd.address;
    h.handle = locos_.open();
    c->locos.push_back(std::move(held));
    if (std::find(driven_.begin(), driven_.end(), h.address) == driven_.end()) {
        driven_.push_back(h.address);
        refresh_lists();
    }
    emit devices_changed();
    if (!locos_.acquire(h.handle, h.address)) // refused: the client has been told why
        forget(c, h, false);
}

void WiThrottleServer::forget(Client* c, Held& h, bool stop)
{
    send(c, QStringLiteral("M") + h.throttle + u'-' + h.key + wt::Sep);
    let_go(c, h, stop);
    std::erase_if(c->locos, [&h](const auto& p) { return p.get() == &h; });
    emit devices_changed();
}

std::pair<WiThrottleServer::Client*, WiThrottleServer::Held*> WiThrottleServer::holder(int handle)
{
    for (const auto& c : clients_)
        for (const auto& h : c->locos)
            if (h->handle == handle)
                return {c.get(), h.get()};
    return {nullptr, nullptr};
}

void WiThrottleServer::bound(int handle)
{
    const auto [c, h] = holder(handle);
    if (!c)
        return;
    if (h->bound) { // bound again after a new connection: only what changed
        tell_state(c, *h, false);
        return;
    }
    h->bound = true;
    introduce(c, *h);
}

void WiThrottleServer::introduce(Client* c, Held& h)
{
    const QString prefix = QStringLiteral("M") + h.throttle;
    send(c, prefix + u'+' + h.key + wt::Sep);
    send(c, prefix + u'L' + h.key + wt::Sep + wt::function_labels());
    tell_state(c, h, true);
}

void WiThrottleServer::bind_failed(int handle, const QString& why)
{
    const auto [c, h] = holder(handle);
    if (!c)
        return;
    send(c, QStringLiteral("HM") + why);
    forget(c, *h, false);
}

void WiThrottleServer::tell_state(Client* c, Held& h, bool all)
{
    const SlotRec* r = locos_.reported(h.handle);
    if (!r)
        return;
    const QString prefix = QStringLiteral("M") + h.throttle + u'A' + h.key + wt::Sep;
    for (int n = 0; n < wt::Functions; ++n) {
        const bool on = function_on(*r, n);
        if (all || on != h.functions[size_t(n)])
            send(c, prefix + QStringLiteral("F%1%2").arg(on ? 1 : 0).arg(n));
        h.functions[size_t(n)] = on;
    }
    const int speed = wt::client_speed(r->Spd);
    const int forward = r->Dirf & 0x20 ? 0 : 1;
    const int mode = wt::step_mode(r->Steps);
    if (all || speed != h.speed)
        send(c, prefix + QStringLiteral("V%1").arg(speed));
    if (all || forward != h.forward)
        send(c, prefix + QStringLiteral("R%1").arg(forward));
    if (all || mode != h.mode)
        send(c, prefix + QStringLiteral("s%1").arg(mode));
    h.speed = speed;
    h.forward = forward;
    h.mode = mode;
}

void WiThrottleServer::loco_changed(int handle)
{
    const auto [c, h] = holder(handle);
    if (c && h->bound)
        tell_state(c, *h, false);
}

void WiThrottleServer::slot_seen(int slot)
{
    const int adr = locos_.address_in(slot);
    if (adr > 0 && !rosterSent_.contains(wt::Field + QString::number(adr) + wt::Field))
        refresh_lists();
}

void WiThrottleServer::loco_action(Client* c, Held& h, const wt::Command& cmd)
{
    using wt::Command;
    // Until the loco is bound there is no reported state: actions wait for
    // the binding in the driver, queries are answered by the binding.
    const SlotRec* r = h.bound ? locos_.reported(h.handle) : nullptr;
    const QString prefix = QStringLiteral("M") + h.throttle + u'A' + h.key + wt::Sep;
    const size_t n = size_t(cmd.number);
    switch (cmd.act) {
    case Command::Speed: locos_.speed(h.handle, wt::loconet_speed(cmd.value)); break;
    case Command::EStop: locos_.speed(h.handle, 1); break;
    case Command::Idle: locos_.speed(h.handle, 0); break;
    case Command::Direction: {
        // Compared with what the client asked last, not with what the bus
        // has confirmed so far: two quick changes end with the second.
        const bool reverse = cmd.value == 0;
        const auto intended = locos_.intended(h.handle);
        if (!intended || reverse != bool(intended->Dirf & 0x20))
            locos_.direction(h.handle, reverse);
        break;
    }
    case Command::Function:
        if (h.momentary[n])
            locos_.function(h.handle, cmd.number, cmd.value == 1);
        else if (cmd.value == 1) // a latching function changes at the press
            locos_.toggle_function(h.handle, cmd.number);
        break;
    case Command::Force: locos_.function(h.handle, cmd.number, cmd.value == 1); break;
    case Command::Momentary: h.momentary[n] = cmd.value == 1; break;
    case Command::Query:
    case Command::SpeedSteps: // the format is the loco settings' business: it stays
        if (!r)
            break;
        if (cmd.act == Command::Query && cmd.value == 'V')
            send(c, prefix + QStringLiteral("V%1").arg(wt::client_speed(r->Spd)));
        else if (cmd.act == Command::Query && cmd.value == 'R')
            send(c, prefix + QStringLiteral("R%1").arg(r->Dirf & 0x20 ? 0 : 1));
        else
            send(c, prefix + QStringLiteral("s%1").arg(wt::step_mode(r->Steps)));
        break;
    }
}

void WiThrottleServer::release(Client* c, const wt::Command& cmd)
{
    auto& locos = c->locos;
    for (auto it = locos.begin(); it != locos.end();) {
        Held& h = **it;
        if (h.throttle != cmd.throttle || (cmd.address != 0 && h.address != cmd.address)) {
            ++it;
            continue;
        }
        send(c, QStringLiteral("M") + h.throttle + u'-' + h.key + wt::Sep);
        let_go(c, h, true);
        it = locos.erase(it);
    }
    emit devices_changed();
}

void WiThrottleServer::let_go(Client* c, Held& h, bool stop)
{
    // A loco another client still drives keeps going.
    bool shared = false;
    for (const auto& other : clients_)
        for (const auto& o : other->locos)
            shared = shared || (other.get() != c && o->address == h.address);
    locos_.close(h.handle, stop && !shared);
}

void WiThrottleServer::check_heartbeats()
{
    const double now = s_.clock.now();
    for (const auto& c : clients_) {
        if (!c->monitored || c->lapsed || now - c->heard <= HeartbeatLapse)
            continue;
        c->lapsed = true;
        log(QStringLiteral("WiThrottle %1: no heartbeat for %2 s: its locos are stopped")
                .arg(c->name.isEmpty() ? c->peer : c->name)
                .arg(HeartbeatLapse));
        for (const auto& h : c->locos) {
            const auto intended = locos_.intended(h->handle);
            if (!intended || intended->Spd != 0)
                locos_.stop(h->handle);
        }
    }
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

    const QString rosterNow = roster(), turnoutsNow = turnouts(), routesNow = routes();
    if (rosterNow != rosterSent_)
        broadcast(rosterSent_ = rosterNow);
    if (turnoutsNow != turnoutsSent_)
        broadcast(turnoutsSent_ = turnoutsNow);
    if (routesNow != routesSent_)
        broadcast(routesSent_ = routesNow);
}

QString WiThrottleServer::roster() const
{
    QList<int> addresses = locos_.in_slots();
    for (const int a : driven_)
        addresses << a;
    std::sort(addresses.begin(), addresses.end());
    addresses.erase(std::unique(addresses.begin(), addresses.end()), addresses.end());
    return wt::roster_line(addresses);
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
