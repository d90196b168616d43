// Avahi over D-Bus: an entry group with one service, committed. The
// daemon may start after the program or restart under it; the service is
// announced again whenever the daemon appears on the bus.

#include "announce.h"

#ifdef QUORAIL_AVAHI

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <functional>

namespace {
const QString kService = QStringLiteral("org.freedesktop.Avahi");
const QString kServer = QStringLiteral("org.freedesktop.Avahi.Server");
const QString kGroup = QStringLiteral("org.freedesktop.Avahi.EntryGroup");
const QString kNoDaemon = QStringLiteral("no Avahi daemon on the system bus");
constexpr int Unspecified = -1; // any interface, any protocol
constexpr int Inet = 0, Inet6 = 1;
enum GroupState { Uncommitted, Registering, Established, Collision, Failure };

class AvahiAnnouncement : public Announcement {
    Q_OBJECT
  public:
    explicit AvahiAnnouncement(const QDBusConnection& bus)
        : bus_(bus), watcher_(kService, bus_, QDBusServiceWatcher::WatchForRegistration)
    {
        qDBusRegisterMetaType<QList<QByteArray>>(); // the TXT records, "aay"
        connect(&watcher_, &QDBusServiceWatcher::serviceRegistered, this, [this] {
            group_.clear(); // a new daemon knows nothing of the old group
            announce();
        });
    }

    ~AvahiAnnouncement() override
    {
        if (!group_.isEmpty())
            bus_.asyncCall(
                QDBusMessage::createMethodCall(kService, group_, kGroup, QStringLiteral("Free")));
    }

    void start(const QString& name, const QString& type, quint16 port,
               const QHostAddress& bound) override
    {
        name_ = name;
        type_ = type;
        port_ = port;
        interface_ = Unspecified;
        protocol_ = Unspecified;
        if (!every_network(bound)) { // announced only where it can be reached
            protocol_ = bound.protocol() == QAbstractSocket::IPv6Protocol ? Inet6 : Inet;
            if (const int i = interface_index(bound))
                interface_ = i;
        }
        if (!bus_.isConnected()) {
            set_status(Status::Unavailable, bus_.lastError().message());
            return;
        }
        announce();
    }

  private slots:
    void group_state(int state, const QString& error)
    {
        if (state == Established)
            set_status(Status::Announced);
        else if (state == Failure)
            set_status(Status::Unavailable, error);
        else if (state == Collision)
            call(kServer, QStringLiteral("/"), QStringLiteral("GetAlternativeServiceName"), {name_},
                 [this](const QDBusMessage& reply) {
                     name_ = reply.arguments().value(0).toString();
                     call(kGroup, group_, QStringLiteral("Reset"), {},
                          [this](const QDBusMessage&) { add_service(); });
                 });
    }

  private:
    using Then = std::function<void(const QDBusMessage&)>;

    // An asynchronous call; a failed one makes the service unavailable.
    void call(const QString& interface, const QString& path, const QString& method,
              const QVariantList& args, Then then)
    {
        QDBusMessage m = QDBusMessage::createMethodCall(kService, path, interface, method);
        m.setArguments(args);
        auto* w = new QDBusPendingCallWatcher(bus_.asyncCall(m), this);
        connect(w, &QDBusPendingCallWatcher::finished, this, [this, w, then] {
            w->deleteLater();
            const QDBusMessage reply = w->reply();
            if (reply.type() == QDBusMessage::ErrorMessage) {
                const bool absent = reply.errorName() ==
                                    QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown");
                set_status(Status::Unavailable, absent ? kNoDaemon : reply.errorMessage());
                return;
            }
            then(reply);
        });
    }

    void announce()
    {
        if (port_ == 0)
            return; // not started yet
        set_status(Status::Pending);
        call(kServer, QStringLiteral("/"), QStringLiteral("EntryGroupNew"), {},
             [this](const QDBusMessage& reply) {
                 group_ = reply.arguments().value(0).value<QDBusObjectPath>().path();
                 bus_.connect(kService, group_, kGroup, QStringLiteral("StateChanged"), this,
                              SLOT(group_state(int, QString)));
                 add_service();
             });
    }

    void add_service()
    {
        const QVariantList args = {interface_,
                                   protocol_,
                                   0u,
                                   name_,
                                   type_,
                                   QString(), // the default domain
                                   QString(), // this host
                                   QVariant::fromValue(port_),
                                   QVariant::fromValue(QList<QByteArray>())};
        call(kGroup, group_, QStringLiteral("AddService"), args, [this](const QDBusMessage&) {
            call(kGroup, group_, QStringLiteral("Commit"), {}, [](const QDBusMessage&) {});
        });
    }

    QDBusConnection bus_;
    QDBusServiceWatcher watcher_;
    QString group_;
    QString type_;
    quint16 port_ = 0;
    int interface_ = Unspecified;
    int protocol_ = Unspecified;
};
} // namespace

std::unique_ptr<Announcement> avahi_announcement(const QDBusConnection& bus)
{
    return std::make_unique<AvahiAnnouncement>(bus);
}

std::unique_ptr<Announcement> Announcement::make()
{
    return avahi_announcement(QDBusConnection::systemBus());
}

#include "announce_avahi.moc"

#endif
