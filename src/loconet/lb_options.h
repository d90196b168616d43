#pragma once
// The options --lbserver[=PORT] and --lbserver-bind ADDRESS, the same in
// both programs.

#include "lb_line.h"

#include <QCommandLineOption>
#include <QStringList>

class QCommandLineParser;

class LbServerOptions {
  public:
    // `help` says what --lbserver does in this program.
    explicit LbServerOptions(const QString& help);
    // "--lbserver=PORT" spelled as two options the parser knows.
    static QStringList spell(const QStringList& args);
    void addTo(QCommandLineParser& cli) const;
    // Takes the values; false and the reason for one that cannot be used.
    bool read(const QCommandLineParser& cli, QString* error);

    bool enabled = false;
    QString bind = QStringLiteral("127.0.0.1");
    quint16 port = lb::DefaultPort;

  private:
    QCommandLineOption serve_, port_, bind_;
};
