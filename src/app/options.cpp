#include "options.h"

#include "core/command_line.h"
#include "loconet/lb_options.h"
#include "withrottle/wt_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

namespace {
int usage_error(const QString& text)
{
    std::fprintf(stderr, "quorail: %s\n", qPrintable(text));
    return 2;
}
} // namespace

std::optional<AppOptions> parse_options(const QStringList& argsIn, int* exitCode)
{
    ServerOptions wiThrottle(
        QStringLiteral("withrottle"), QStringLiteral("WiThrottle server"), wt::DefaultPort,
        QStringLiteral("0.0.0.0"),
        QStringLiteral("Let phone and tablet throttle apps (WiThrottle protocol) drive the "
                       "layout; --withrottle=PORT picks the port (default 12090, 0 = any free "
                       "one, printed at start)."),
        QStringLiteral("Address the WiThrottle server listens on (default 0.0.0.0: every "
                       "network, so anyone on it can drive the layout)."));
    // "--simulator=2" is spelled as the two options the parser knows.
    const QStringList args = wiThrottle.spell(LbServerOptions::spell(
        split_optional_value(argsIn, QStringLiteral("simulator"), QStringLiteral("station-type"))));

    QCommandLineParser cli;
    cli.setApplicationDescription(QStringLiteral(
        "Quorail controls a model railway through a LocoNet command station.\n"
        "Without options it starts disconnected with the interface and port of conf.dat."));
    cli.addHelpOption();
    cli.addVersionOption();
    const QCommandLineOption confDir(
        QStringLiteral("conf-dir"),
        QStringLiteral("Data folder (conf.dat, FS.DAT, zk.dat, Lokliste.dat; Hilfe.txt, "
                       "Hersteller.dat, loco pictures and LNCV module descriptions of your "
                       "own); default: Conf beside the program when it is writable, else the "
                       "user's application-data folder. Files it lacks are read from the "
                       "installation."),
        QStringLiteral("DIR"));
    const QCommandLineOption dataFiles(
        QStringLiteral("data-files"),
        QStringLiteral("Print where each data file is read and written, then end."));
    const QCommandLineOption ifType(
        QStringLiteral("interface"),
        QStringLiteral("Interface type for this run: 1 Zentrova 1 or Duocenta, 2 Interface 70810, "
                       "3 Zentrova Basic/Zentrova 2/Interface 70820 (USB)."),
        QStringLiteral("1|2|3"));
    const QCommandLineOption port(
        QStringLiteral("port"),
        QStringLiteral("Port for this run: a number (1 = COM1 on Windows, /dev/ttyS0 elsewhere), "
                       "a device such as /dev/ttyUSB0, or HOST:PORT of an LbServer."),
        QStringLiteral("PORT"));
    const QCommandLineOption connect(
        QStringLiteral("connect"), QStringLiteral("Press \"Verbinden\" once the window is shown."));
    const QCommandLineOption simulator(
        QStringLiteral("simulator"),
        QStringLiteral("Run against the built-in virtual command station with a demo layout; "
                       "--simulator=TYPE picks its station type 1, 2 or 3 (default 2). "
                       "conf.dat is left as it is."));
    const QCommandLineOption stationType(
        QStringLiteral("station-type"),
        QStringLiteral("Station type of the virtual station (same as --simulator=TYPE)."),
        QStringLiteral("TYPE"));
    const QCommandLineOption trace(
        QStringLiteral("trace"),
        QStringLiteral("Log every LocoNet message (time, TX/RX/BAD, hex bytes) to FILE."),
        QStringLiteral("FILE"));
    const QCommandLineOption decode(
        QStringLiteral("decode"),
        QStringLiteral("Print each LocoNet message of FILE (written by --trace or the monitor, or "
                       "plain hex lines; - for standard input) as its bytes, a tab and the "
                       "monitor's text, then end. Lines that are no message are named on "
                       "standard error."),
        QStringLiteral("FILE"));
    LbServerOptions lbServer(QStringLiteral(
        "Share the LocoNet connection with other programs over TCP (LbServer protocol); "
        "--lbserver=PORT picks the port (default 1234, 0 = any free one, printed at start)."));
    cli.addOptions(
        {confDir, dataFiles, ifType, port, connect, simulator, stationType, trace, decode});
    lbServer.addTo(cli);
    wiThrottle.addTo(cli);

    *exitCode = 0;
    if (!cli.parse(args)) {
        *exitCode = usage_error(cli.errorText());
        return std::nullopt;
    }
    if (cli.isSet(QStringLiteral("help"))) {
        std::printf("%s", qPrintable(cli.helpText()));
        return std::nullopt;
    }
    if (cli.isSet(QStringLiteral("version"))) {
        std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                    qPrintable(QCoreApplication::applicationVersion()));
        return std::nullopt;
    }
    if (!cli.positionalArguments().isEmpty()) {
        *exitCode = usage_error(QStringLiteral("unexpected argument: ") +
                                cli.positionalArguments().first());
        return std::nullopt;
    }

    AppOptions o;
    o.confDir = cli.value(confDir);
    o.dataFiles = cli.isSet(dataFiles);
    if (cli.isSet(ifType)) {
        bool ok = false;
        const int n = cli.value(ifType).toInt(&ok);
        if (!ok || n < 1 || n > 3) {
            *exitCode = usage_error(QStringLiteral("--interface must be 1, 2 or 3"));
            return std::nullopt;
        }
        o.ifType = n;
    }
    if (cli.isSet(port))
        o.port = cli.value(port).trimmed();
    o.connect = cli.isSet(connect);
    if (cli.isSet(simulator) || cli.isSet(stationType)) {
        bool ok = true;
        o.simulator = cli.isSet(stationType) ? cli.value(stationType).toInt(&ok) : 2;
        if (!ok || o.simulator < 1 || o.simulator > 3) {
            *exitCode = usage_error(QStringLiteral("the station type must be 1, 2 or 3"));
            return std::nullopt;
        }
    }
    o.trace = cli.value(trace);
    o.decode = cli.value(decode);
    QString error;
    if (!lbServer.read(cli, &error)) {
        *exitCode = usage_error(error);
        return std::nullopt;
    }
    if (lbServer.enabled)
        o.lbServerPort = lbServer.port;
    o.lbServerBind = lbServer.bind;
    if (!wiThrottle.read(cli, &error)) {
        *exitCode = usage_error(error);
        return std::nullopt;
    }
    if (wiThrottle.enabled)
        o.wiThrottlePort = wiThrottle.port;
    o.wiThrottleBind = wiThrottle.bind;
    return o;
}

QString data_files_text(const DataDir& data)
{
    const QString none = QStringLiteral("(none)");
    QString text = QStringLiteral("data folder       %1\ninstalled files   %2\n")
                       .arg(data.path(), data.installed().isEmpty() ? none : data.installed());
    const auto line = [&text](const QString& name, const QString& path) {
        text += QStringLiteral("%1%2%3\n")
                    .arg(name.leftJustified(18), QDir::toNativeSeparators(path),
                         QFileInfo::exists(path) ? QString() : QStringLiteral(" (missing)"));
    };
    for (const char* name : {"conf.dat", "FS.DAT", "zk.dat", "Lokliste.dat", "Hilfe.txt",
                             "Hersteller.dat", "Lok0.bmp"})
        line(QString::fromLatin1(name), data.file(QString::fromLatin1(name)));
    // Module descriptions: the data folder's first, then the installation's.
    const QString modules = QStringLiteral("LNCV");
    line(modules, QDir(data.path()).filePath(modules));
    if (!data.installed().isEmpty())
        line(modules, QDir(data.installed()).filePath(modules));
    return text;
}
