#include "lb_server.h"

#include "core/clock.h"
#include "core/shell.h"
#include "lb_line.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>

namespace {
const QByteArray kEnd = "\r\n";
const QByteArray kSentOk = "SENT OK";
const QByteArray kSentError = "SENT ERROR ";
const QByteArray kNoEcho = "timeout: no echo";
const QByteArray kNotSent = "timeout: the bus was not free";
const QByteArray kQueueFull = "too many SENDs waiting";
} // namespace

struct LbServer::Client {
    QTcpSocket* socket;
    lb::LineBuffer in;
    // Answers owed, oldest first; an empty text is still awaited.
    std::deque<std::pair<quint64, QByteArray>> owed;
    int waiting = 0; // SENDs of this client in the queue
};

LbServer::LbServer(const Clock& clock, Link& link, QObject* parent)
    : QObject(parent), clock_(clock), link_(link), server_(new QTcpServer(this))
{
    connect(server_, &QTcpServer::newConnection, this, &LbServer::accept);
    // Runs only while SENDs wait: the oldest one's deadline.
    expiry_.setSingleShot(true);
    connect(&expiry_, &QTimer::timeout, this, &LbServer::expire);
    link_.addTap(this);
    link_.addProducer(this);
}

LbServer::~LbServer()
{
    for (const auto& c : clients_)
        c->socket->disconnect(this);
    link_.removeTap(this);
    link_.removeProducer(this);
}

bool LbServer::listen(const QHostAddress& address, quint16 port)
{
    return server_->listen(address, port);
}

quint16 LbServer::port() const
{
    return server_->serverPort();
}

QString LbServer::errorString() const
{
    return server_->errorString();
}

void LbServer::accept()
{
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        auto client = std::make_unique<Client>();
        client->socket = socket;
        Client* c = client.get();
        clients_.push_back(std::move(client));
        connect(socket, &QTcpSocket::readyRead, this, [this, c] { read(c); });
        connect(socket, &QTcpSocket::disconnected, this, [this, c] { drop(c); });
        socket->write("VERSION Quorail " + program_version().toLatin1() + kEnd);
    }
}

void LbServer::read(Client* c)
{
    c->in.append(c->socket->readAll());
    while (const auto line = c->in.take())
        handle(c, *line);
    if (c->in.overflow()) // an endless line is not buffered: the client goes
        c->socket->abort();
}

void LbServer::handle(Client* c, const QByteArray& text)
{
    const lb::Line line = lb::parse(text);
    if (line.kind == lb::Line::Empty)
        return;
    const quint64 id = nextId_++;
    c->owed.emplace_back(id, QByteArray());
    if (line.kind != lb::Line::Send) {
        const QByteArray reason = line.kind == lb::Line::Malformed ? line.text : "unknown command";
        answer(c, id, kSentError + reason);
    } else if (c->waiting >= MaxWaiting) {
        answer(c, id, kSentError + kQueueFull);
    } else {
        ++c->waiting;
        queue_.push_back(Job{c, id, line.message, clock_.now()});
        link_.service(); // out now if the bus is free
        arm_expiry();
    }
}

void LbServer::answer(Client* c, quint64 id, const QByteArray& text)
{
    if (!c)
        return;
    for (auto& [owedId, owedText] : c->owed)
        if (owedId == id)
            owedText = text;
    while (!c->owed.empty() && !c->owed.front().second.isEmpty()) {
        c->socket->write(c->owed.front().second + kEnd);
        c->owed.pop_front();
    }
}

void LbServer::drop(Client* c)
{
    for (Job& job : queue_)
        if (job.client == c)
            job.client = nullptr;
    if (inFlight_ && inFlight_->client == c)
        inFlight_->client = nullptr;
    c->socket->deleteLater();
    std::erase_if(clients_, [c](const auto& p) { return p.get() == c; });
}

void LbServer::expire()
{
    const double now = clock_.now();
    while (!queue_.empty() && now - queue_.front().since > QueueTimeout) {
        const Job job = queue_.front();
        queue_.pop_front();
        if (job.client) {
            --job.client->waiting;
            answer(job.client, job.id, kSentError + kNotSent);
        }
    }
    arm_expiry();
}

void LbServer::arm_expiry()
{
    wake_at(expiry_, clock_, queue_.empty() ? -1.0 : queue_.front().since + QueueTimeout);
}

void LbServer::traffic(double, ln::Traffic what, const QByteArray& message)
{
    if (what != ln::Traffic::Rx) // what fails its checksum is nobody's to act on
        return;
    const QByteArray line = lb::format("RECEIVE", message) + kEnd;
    for (const auto& c : clients_)
        c->socket->write(line);
}

void LbServer::fill(Link& link)
{
    while (!queue_.empty()) {
        Job job = queue_.front();
        queue_.pop_front();
        if (!job.client)
            continue; // its client has gone: nobody wants it sent
        --job.client->waiting;
        // The link adds the checksum. Should it still refuse the message, the
        // client hears so: its later answers wait behind this one.
        if (!link.put(job.message.left(job.message.size() - 1))) {
            answer(job.client, job.id, kSentError + kNotSent);
            continue;
        }
        inFlight_ = job;
        arm_expiry();
        return;
    }
    arm_expiry();
}

void LbServer::finished(bool echoed)
{
    if (!inFlight_)
        return;
    const Job job = *inFlight_;
    inFlight_.reset();
    answer(job.client, job.id, echoed ? kSentOk : kSentError + kNoEcho);
}
