#pragma once
// Saved traffic read back: files written by --trace or the monitor's
// "Speichern…" ("   12.345  TX  82 7D"), plain hex lines ("82 7D"), and the
// lines of --decode (hex bytes, a tab, the text). One message a line.

#include "trace.h"

#include <QByteArray>
#include <QByteArrayView>
#include <functional>

class QIODevice;

namespace ln {

struct SavedMessage {
    bool timed = false; // trace lines carry a time and a direction, plain hex lines neither
    double seconds = 0;
    Traffic what = Traffic::Rx;
    QByteArray bytes; // checksum included
};

enum class SavedLine { Blank, Message, NoMessage };

// One line without its line end. Blank lines and lines starting with '#'
// say nothing. A message must be whole: its opcode, data bytes below 80,
// the length its opcode gives, and a correct checksum (except on BAD lines,
// which recorded a message refused for it).
SavedLine read_saved_line(QByteArrayView line, SavedMessage* out);

// Every line of the device in order: each message to `message`, the
// number (from 1) of each line that is no message to `noMessage`.
void read_saved(QIODevice& in, const std::function<void(const SavedMessage&)>& message,
                const std::function<void(int line)>& noMessage);

} // namespace ln
