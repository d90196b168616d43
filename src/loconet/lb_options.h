#pragma once
// The options --NAME[=PORT] and --NAME-bind ADDRESS of a server a program
// may run: --lbserver in both programs, --withrottle in the main one.

#include "lb_line.h"

#include <QCommandLineOption>
#include <QStringList>

class QCommandLineParser;

class ServerOptions {
  public:
    // `name` is the option, `title` the server in error texts, `help` says
    // what the option does and `bindHelp` what the address is by default.
    ServerOptions(const QString& name, const QString& title, quint16 port, const QString& bind,
                  const QString& help, const QString& bindHelp);
    // "--NAME=PORT" spelled as two options the parser knows.
    QStringList spell(const QStringList& args) const;
    void addTo(QCommandLineParser& cli) const;
    // Takes the values; false and the reason for one that cannot be used.
    bool read(const QCommandLineParser& cli, QString* error);

    bool enabled = false;
    QString bind;
    quint16 port;

  private:
    QString name_, title_;
    QCommandLineOption serve_, port_, bind_;
};

class LbServerOptions : public ServerOptions {
  public:
    explicit LbServerOptions(const QString& help);
    static QStringList spell(const QStringList& args);
};
