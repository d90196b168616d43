// Bonjour (dns_sd), built where its SDK is found on Windows. The service
// renames itself when another device has the name; its answers arrive on
// a socket the event loop watches.

#include "announce.h"

#ifdef QUORAIL_BONJOUR

#include <QSocketNotifier>
#include <QtEndian>
#include <dns_sd.h>

namespace {
class BonjourAnnouncement : public Announcement {
  public:
    ~BonjourAnnouncement() override
    {
        delete notifier_;
        if (ref_)
            DNSServiceRefDeallocate(ref_);
    }

    void start(const QString& name, const QString& type, quint16 port,
               const QHostAddress& bound) override
    {
        name_ = name;
        // 0: every interface.
        const auto index = uint32_t(every_network(bound) ? 0 : interface_index(bound));
        const DNSServiceErrorType error = DNSServiceRegister(
            &ref_, 0, index, name.toUtf8().constData(), type.toUtf8().constData(), nullptr, nullptr,
            qToBigEndian(port), 0, nullptr, &BonjourAnnouncement::registered, this);
        if (error != kDNSServiceErr_NoError) {
            ref_ = nullptr;
            set_status(Status::Unavailable, error == kDNSServiceErr_ServiceNotRunning
                                                ? QStringLiteral("the Bonjour service does not run")
                                                : QStringLiteral("Bonjour error %1").arg(error));
            return;
        }
        set_status(Status::Pending);
        notifier_ = new QSocketNotifier(qintptr(DNSServiceRefSockFD(ref_)), QSocketNotifier::Read);
        connect(notifier_, &QSocketNotifier::activated, this, [this] {
            if (DNSServiceProcessResult(ref_) != kDNSServiceErr_NoError) {
                notifier_->setEnabled(false);
                set_status(Status::Unavailable, QStringLiteral("the Bonjour service stopped"));
            }
        });
    }

  private:
    static void DNSSD_API registered(DNSServiceRef, DNSServiceFlags, DNSServiceErrorType error,
                                     const char* name, const char*, const char*, void* context)
    {
        auto* self = static_cast<BonjourAnnouncement*>(context);
        if (error != kDNSServiceErr_NoError) {
            self->set_status(Status::Unavailable, QStringLiteral("Bonjour error %1").arg(error));
            return;
        }
        self->name_ = QString::fromUtf8(name);
        self->set_status(Status::Announced);
    }

    DNSServiceRef ref_ = nullptr;
    QSocketNotifier* notifier_ = nullptr;
};
} // namespace

std::unique_ptr<Announcement> Announcement::make()
{
    return std::make_unique<BonjourAnnouncement>();
}

#endif
