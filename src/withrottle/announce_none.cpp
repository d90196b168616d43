// Platforms without a DNS-SD service the program knows: clients are given
// the address by hand.

#include "announce.h"

#if !defined(QUORAIL_AVAHI) && !defined(QUORAIL_BONJOUR)

namespace {
class NoAnnouncement : public Announcement {
  public:
    void start(const QString& name, const QString&, quint16, const QHostAddress&) override
    {
        name_ = name;
        set_status(Status::Unavailable, QStringLiteral("no DNS-SD service on this system"));
    }
};
} // namespace

std::unique_ptr<Announcement> Announcement::make()
{
    return std::make_unique<NoAnnouncement>();
}

#endif
