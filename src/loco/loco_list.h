#pragma once
// The loco list: a name for each loco address, and for F0..F28 a label and
// whether the function acts only while its button is held (momentary).
// Phones see the names in their roster and the labels on their buttons;
// the panels and the device windows show the name.
//
// Kept in Lokliste.dat in the data folder, UTF-8 text, one loco per line,
// CR LF each:
//
//     3 "BR 218" F0 "Licht" F2* "Horn" F3 "Glocke"
//
// the address (1..16383), the name in double quotes, then for each function
// that has a label or is momentary F<n> (0..28), a * when it is momentary,
// and its label in double quotes. A double quote inside a text is written
// twice. Lines starting with # and blank lines are ignored. Read
// tolerantly: a line without an address is skipped, a bad function is
// skipped, a later line for the same address replaces the earlier one.

#include "core/datadir.h"
#include "core/file_io.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <array>
#include <bitset>
#include <vector>

class MessageService;

struct LocoEntry {
    static constexpr int Functions = 29; // F0..F28
    int address = 0;
    QString name;
    std::array<QString, Functions> labels;
    std::bitset<Functions> momentary;
    bool operator==(const LocoEntry&) const = default;
};

namespace loco_list {
inline const QString FileName = QStringLiteral("Lokliste.dat");
// Longer texts are cut: they must fit a panel and a phone's button.
constexpr int MaxName = 32;
constexpr int MaxLabel = 20;
// Far more than 16383 locos with every label need.
constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

// The entries of a file's bytes, sorted by address, one per address.
// whole (if given) is cleared when anything in it was not understood.
std::vector<LocoEntry> parse(const QByteArray& content, bool* whole = nullptr);
QByteArray format(const std::vector<LocoEntry>& entries);
// A text as the list keeps it: without control characters, trimmed, cut
// to `length` characters.
QString clean(const QString& text, int length);
} // namespace loco_list

class LocoList : public QObject {
    Q_OBJECT
  public:
    LocoList(const DataDir& data, MessageService& msgs);

    // Reads Lokliste.dat; a missing file gives an empty list.
    void load();

    const std::vector<LocoEntry>& entries() const { return entries_; }
    const LocoEntry* find(int address) const;
    // The entry of that name: the same text, else the same text in any case.
    const LocoEntry* find_name(const QString& name) const;
    // The loco's name, empty when it has none.
    QString name(int address) const;

    // Stores the entry (its texts cleaned) in place of the one of `previous`
    // (0: a new one) and saves the file. False when its address is no loco
    // address or another entry has it already.
    bool set(const LocoEntry& entry, int previous = 0);
    void remove(int address);

  signals:
    void changed();

  private:
    void save();

    DataDir data_;
    MessageService& msgs_;
    std::vector<LocoEntry> entries_;
    // One that could not be read whole is never overwritten silently.
    DataFileAtStart atStart_;
};
