#include "lb_options.h"

#include "core/command_line.h"

#include <QCommandLineParser>
#include <QHostAddress>

ServerOptions::ServerOptions(const QString& name, const QString& title, quint16 defaultPort,
                             const QString& defaultBind, const QString& help,
                             const QString& bindHelp)
    : bind(defaultBind), port(defaultPort), name_(name), title_(title), serve_(name, help),
      port_(name + QStringLiteral("-port"), QStringLiteral("Port of the %1.").arg(title),
            QStringLiteral("PORT")),
      bind_(name + QStringLiteral("-bind"), bindHelp, QStringLiteral("ADDRESS"))
{
    port_.setFlags(QCommandLineOption::HiddenFromHelp);
}

QStringList ServerOptions::spell(const QStringList& args) const
{
    return split_optional_value(args, name_, name_ + QStringLiteral("-port"));
}

void ServerOptions::addTo(QCommandLineParser& cli) const
{
    cli.addOptions({serve_, port_, bind_});
}

bool ServerOptions::read(const QCommandLineParser& cli, QString* error)
{
    enabled = cli.isSet(serve_) || cli.isSet(port_);
    if (cli.isSet(port_)) {
        const auto p = lb::port_text(cli.value(port_));
        if (!p) {
            *error = QStringLiteral("the %1 port must be 0..65535").arg(title_);
            return false;
        }
        port = *p;
    }
    if (cli.isSet(bind_)) {
        bind = cli.value(bind_);
        if (QHostAddress(bind).isNull()) {
            *error = QStringLiteral("--%1-bind needs an IP address").arg(name_);
            return false;
        }
    }
    return true;
}

LbServerOptions::LbServerOptions(const QString& help)
    : ServerOptions(QStringLiteral("lbserver"), QStringLiteral("LbServer"), lb::DefaultPort,
                    QStringLiteral("127.0.0.1"), help,
                    QStringLiteral("Address the LbServer listens on (default 127.0.0.1, this "
                                   "computer only; 0.0.0.0 for every network)."))
{
}

QStringList LbServerOptions::spell(const QStringList& args)
{
    return split_optional_value(args, QStringLiteral("lbserver"), QStringLiteral("lbserver-port"));
}
