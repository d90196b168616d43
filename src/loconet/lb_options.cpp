#include "lb_options.h"

#include "core/command_line.h"

#include <QCommandLineParser>
#include <QHostAddress>

LbServerOptions::LbServerOptions(const QString& help)
    : serve_(QStringLiteral("lbserver"), help),
      port_(QStringLiteral("lbserver-port"), QStringLiteral("Port of the LbServer."),
            QStringLiteral("PORT")),
      bind_(QStringLiteral("lbserver-bind"),
            QStringLiteral("Address the LbServer listens on (default 127.0.0.1, this computer "
                           "only; 0.0.0.0 for every network)."),
            QStringLiteral("ADDRESS"))
{
    port_.setFlags(QCommandLineOption::HiddenFromHelp);
}

QStringList LbServerOptions::spell(const QStringList& args)
{
    return split_optional_value(args, QStringLiteral("lbserver"), QStringLiteral("lbserver-port"));
}

void LbServerOptions::addTo(QCommandLineParser& cli) const
{
    cli.addOptions({serve_, port_, bind_});
}

bool LbServerOptions::read(const QCommandLineParser& cli, QString* error)
{
    enabled = cli.isSet(serve_) || cli.isSet(port_);
    if (cli.isSet(port_)) {
        const auto p = lb::port_text(cli.value(port_));
        if (!p) {
            *error = QStringLiteral("the LbServer port must be 0..65535");
            return false;
        }
        port = *p;
    }
    if (cli.isSet(bind_)) {
        bind = cli.value(bind_);
        if (QHostAddress(bind).isNull()) {
            *error = QStringLiteral("--lbserver-bind needs an IP address");
            return false;
        }
    }
    return true;
}
