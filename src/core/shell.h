#pragma once
// Texts of the main window's shell that do not need a window to be decided.

#include <QString>
#include <QStringList>

// The program information box: name line, CR, version line.
QString program_info_text(int major, int minor, int revision);
QString program_info_text(); // for this build's version

// Lines of the help file up to (not including) a line "##ENDE##".
// Empty when the file cannot be read.
QStringList read_help(const QString& path);
// The same from the file's content.
QStringList help_lines(const QByteArray& content);
// A help text is a few pages; more is not read.
constexpr qint64 MaxHelpBytes = 4 << 20;

// "major.minor.revision" of this build.
QString program_version();
