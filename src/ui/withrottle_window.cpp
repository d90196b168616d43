#include "withrottle_window.h"

#include "small_window.h"

#include "withrottle/wt_server.h"

#include <QHeaderView>
#include <QLabel>
#include <QNetworkInterface>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
const QString kTitel = QStringLiteral("WiThrottle");
const QString kLaeuft = QStringLiteral("Der Server läuft auf %1, Port %2.");
const QString kJedesNetz = QStringLiteral("jedem Netz");
const QString kAdressen = QStringLiteral("Adressen dieses Rechners: %1");
const QString kLaeuftNicht =
    QStringLiteral("Der Server läuft nicht. Er startet mit der Option --withrottle.");
const QString kAngekuendigt = QStringLiteral("Im Netz angekündigt als \"%1\".");
const QString kWirdAngekuendigt = QStringLiteral("Wird im Netz angekündigt …");
const QString kNichtAngekuendigt =
    QStringLiteral("Nicht im Netz angekündigt: Geräte brauchen Adresse und Port.");
const QStringList kSpalten = {QStringLiteral("Gerät"), QStringLiteral("Adresse"),
                              QStringLiteral("Loks")};

// The addresses a phone on the same network can reach this computer at.
QString own_addresses()
{
    QStringList list;
    for (const QHostAddress& a : QNetworkInterface::allAddresses())
        if (!a.isLoopback() && a.protocol() == QAbstractSocket::IPv4Protocol)
            list << a.toString();
    return list.join(QStringLiteral(", "));
}
} // namespace

WiThrottleWin::WiThrottleWin(WiThrottleServer& server, QWidget* parent)
    : QWidget(parent, Qt::Window), server_(server)
{
    setObjectName(QStringLiteral("WiThrottleWin"));
    setWindowTitle(kTitel);
    ServerLbl = new QLabel;
    ServerLbl->setObjectName(QStringLiteral("ServerLbl"));
    ServerLbl->setTextInteractionFlags(Qt::TextSelectableByMouse);
    AnnounceLbl = new QLabel;
    AnnounceLbl->setObjectName(QStringLiteral("AnnounceLbl"));
    DeviceView = new QTreeWidget;
    DeviceView->setObjectName(QStringLiteral("DeviceView"));
    DeviceView->setHeaderLabels(kSpalten);
    DeviceView->setRootIsDecorated(false);
    DeviceView->header()->setStretchLastSection(true);
    const int digit = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    DeviceView->setColumnWidth(0, digit * 24);
    DeviceView->setColumnWidth(1, digit * 22);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ServerLbl);
    layout->addWidget(AnnounceLbl);
    layout->addWidget(DeviceView, 1);
    fit_title(layout, kTitel);
    hide_on_escape(this);
    place_over_parent_once(this);

    connect(&server_, &WiThrottleServer::devices_changed, this, &WiThrottleWin::show_devices);
    connect(&server_, &WiThrottleServer::server_changed, this, &WiThrottleWin::show_server);
    show_server();
    show_devices();
    resize(digit * 72, fontMetrics().height() * 18);
}

void WiThrottleWin::show_server()
{
    if (!server_.listening()) {
        ServerLbl->setText(kLaeuftNicht);
        AnnounceLbl->clear();
        return;
    }
    const QHostAddress a = server_.address();
    const bool every =
        a == QHostAddress::Any || a == QHostAddress::AnyIPv4 || a == QHostAddress::AnyIPv6;
    QString text = kLaeuft.arg(every ? kJedesNetz : a.toString()).arg(server_.port());
    if (every)
        text += u'\n' + kAdressen.arg(own_addresses());
    ServerLbl->setText(text);
    const Announcement* ann = server_.announcement();
    const auto status = ann ? ann->status() : Announcement::Status::Unavailable;
    AnnounceLbl->setText(status == Announcement::Status::Announced ? kAngekuendigt.arg(ann->name())
                         : status == Announcement::Status::Pending ? kWirdAngekuendigt
                                                                   : kNichtAngekuendigt);
}

void WiThrottleWin::show_devices()
{
    DeviceView->clear();
    for (const WiThrottleServer::Device& d : server_.devices()) {
        // One loco per line: a phone may hold many, and every name must show.
        auto* item = new QTreeWidgetItem({d.name, d.peer, d.names.join(u'\n')});
        item->setTextAlignment(0, Qt::AlignLeft | Qt::AlignTop);
        item->setTextAlignment(1, Qt::AlignLeft | Qt::AlignTop);
        DeviceView->addTopLevelItem(item);
    }
}
