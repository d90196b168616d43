#include "port_by_name.h"

#include "lb_line.h"

PortByName::PortByName(Port& serial, Port& network, QObject* parent)
    : Port(parent), serial_(serial), network_(network), active_(&serial)
{
    for (Port* p : {&serial_, &network_}) {
        connect(p, &Port::readyRead, this, [this, p] {
            if (p == active_)
                emit readyRead();
        });
        connect(p, &Port::failed, this, [this, p](const QString& error) {
            if (p == active_)
                emit failed(error);
        });
    }
}

bool PortByName::present(const QString& name)
{
    return (lb::address(name) ? network_ : serial_).present(name);
}

bool PortByName::open(const QString& name, const PortSettings& settings)
{
    Port* wanted = lb::address(name) ? &network_ : &serial_;
    if (wanted != active_)
        active_->close();
    active_ = wanted;
    return active_->open(name, settings);
}
