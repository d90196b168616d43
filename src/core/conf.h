#pragma once
// conf.dat: line 1 the interface type (1..3), line 2 the port as typed in the
// port field (a number, or a device name such as /dev/ttyUSB0), CR LF each.

#include <QString>
#include <optional>

struct ConfValues {
    int IfType = 3;
    QString ComPortNr = QStringLiteral("1");
};

// The values of the file, or nothing when it is missing, unreadable or invalid.
std::optional<ConfValues> read_conf(const QString& path);
// The same from the file's content.
std::optional<ConfValues> parse_conf(const QByteArray& content);
// The file's content for these values.
QByteArray conf_text(const ConfValues& v);
// Writes the whole file or leaves the old one untouched; error text on failure.
bool write_conf(const QString& path, const ConfValues& v, QString* error);

// A port text the program can use: a positive number or a device name.
bool valid_port_text(const QString& text);
