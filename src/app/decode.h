#pragma once
// --decode: saved traffic as text, without a window or a port.

#include <QString>

// Prints each message of the file ("-": standard input) as its hex bytes,
// a tab and the monitor's text; each line that is no message is named on
// standard error. 1 when the file cannot be read, else 0.
int decode_saved(const QString& path);
