#include "announce.h"

#include <QNetworkInterface>

void Announcement::set_status(Status status, const QString& detail)
{
    detail_ = detail;
    if (status == status_)
        return;
    status_ = status;
    emit status_changed(status);
}

bool Announcement::every_network(const QHostAddress& bound)
{
    return bound.isNull() || bound == QHostAddress::Any || bound == QHostAddress::AnyIPv4 ||
           bound == QHostAddress::AnyIPv6;
}

int Announcement::interface_index(const QHostAddress& bound)
{
    for (const QNetworkInterface& i : QNetworkInterface::allInterfaces())
        for (const QNetworkAddressEntry& e : i.addressEntries())
            if (e.ip().isEqual(bound))
                return i.index();
    return 0;
}
