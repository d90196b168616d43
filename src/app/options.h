#pragma once
// Command-line options of the program.

#include "core/datadir.h"

#include <QString>
#include <QStringList>
#include <optional>

struct AppOptions {
    QString confDir;             // empty: Conf beside the program or the application-data folder
    bool dataFiles = false;      // print where the data files are, then end
    std::optional<int> ifType;   // overrides conf.dat for this run
    std::optional<QString> port; // overrides conf.dat for this run
    bool connect = false;        // press "Verbinden" once the window is shown
    int simulator = 0;           // station type of the built-in virtual station; 0 = none
    QString trace;               // traffic log file
    QString decode;              // saved traffic to print as text, then end; "-" standard input
    // LbServer for other programs: the port to listen on (0 = any free one)
    // and the address.
    std::optional<quint16> lbServerPort;
    QString lbServerBind = QStringLiteral("127.0.0.1");
    // WiThrottle server for phones and tablets: the port (0 = any free one)
    // and the address, every network by default.
    std::optional<quint16> wiThrottlePort;
    QString wiThrottleBind = QStringLiteral("0.0.0.0");
};

// Parses the arguments; on --help, --version or an error prints and sets
// exitCode (0 for help/version).
std::optional<AppOptions> parse_options(const QStringList& args, int* exitCode);

// Where each data file is read from and written to, a line each.
QString data_files_text(const DataDir& data);
