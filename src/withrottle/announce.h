#pragma once
// Announces a TCP service on the local network by DNS-SD, so clients list
// it without being given an address. Each platform's own service does it:
// Avahi (over D-Bus) on Linux, Bonjour on Windows where its SDK is found;
// elsewhere nothing is announced. The announcement never blocks: it
// reports how it went by a signal.

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <memory>

class Announcement : public QObject {
    Q_OBJECT
  public:
    enum class Status { Off, Pending, Announced, Unavailable };
    Q_ENUM(Status)

    // The platform's own announcement (one that stays Unavailable where
    // there is none).
    static std::unique_ptr<Announcement> make();
    ~Announcement() override = default;

    // Announces `name` as `type` (e.g. "_withrottle._tcp") on `port`, on
    // the network of `bound` (any address: every network).
    virtual void start(const QString& name, const QString& type, quint16 port,
                       const QHostAddress& bound) = 0;

    Status status() const { return status_; }
    // The name announced: the one asked for, or the one the network's
    // service chose when another device already has it.
    QString name() const { return name_; }
    // Why the service is not announced, for the log.
    QString detail() const { return detail_; }

  signals:
    void status_changed(Announcement::Status status);

  protected:
    void set_status(Status status, const QString& detail = {});
    // Whether the server listens on every network.
    static bool every_network(const QHostAddress& bound);
    // Index of the network interface that has the address; 0 for none.
    static int interface_index(const QHostAddress& bound);
    QString name_;

  private:
    Status status_ = Status::Off;
    QString detail_;
};

#ifdef QUORAIL_AVAHI
class QDBusConnection;
// Avahi on the given bus (the system bus in the program, a private one in tests).
std::unique_ptr<Announcement> avahi_announcement(const QDBusConnection& bus);
#endif
