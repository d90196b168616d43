#include "loco_list.h"

#include "core/messages.h"
#include "loconet/views.h"

#include <algorithm>
#include <optional>

namespace {
const QString kNichtGeschrieben =
    QStringLiteral("Lokliste.dat konnte nicht geschrieben werden: %1");
// The file's first line, for whoever opens it in an editor.
const QByteArray kHeader = "# Quorail Lokliste: Adresse \"Name\" F<Nr>[*] \"Bezeichnung\" ... "
                           "(* = nur solange gedrückt)\r\n";

// One line of the file, read from left to right.
class LineReader {
  public:
    explicit LineReader(QStringView line) : s_(line) {}

    bool at_end()
    {
        while (i_ < s_.size() && (s_[i_] == u' ' || s_[i_] == u'\t'))
            ++i_;
        return i_ >= s_.size();
    }
    bool next_is(QChar ch) { return !at_end() && s_[i_] == ch; }
    // Plain digits, at most five of them.
    std::optional<int> number()
    {
        at_end();
        int v = 0, n = 0;
        for (; i_ < s_.size() && s_[i_].isDigit() && s_[i_].unicode() < 0x80 && n < 6; ++i_, ++n)
            v = v * 10 + (s_[i_].unicode() - u'0');
        return n > 0 && n <= 5 ? std::optional<int>(v) : std::nullopt;
    }
    // A text in double quotes, a doubled quote standing for one; the rest
    // of the line when it is not closed (then `closed` is cleared).
    QString quoted(bool& closed)
    {
        QString text;
        for (++i_; i_ < s_.size(); ++i_) {
            if (s_[i_] != u'"') {
                text += s_[i_];
            } else if (i_ + 1 < s_.size() && s_[i_ + 1] == u'"') {
                text += u'"';
                ++i_;
            } else {
                ++i_;
                return text;
            }
        }
        closed = false;
        return text;
    }
    bool take(QChar ch)
    {
        if (!next_is(ch))
            return false;
        ++i_;
        return true;
    }

  private:
    QStringView s_;
    qsizetype i_ = 0;
};

// The entry a line holds; false when some of it was not understood.
bool read_line(QStringView line, std::optional<LocoEntry>& entry)
{
    LineReader r(line);
    const auto address = r.number();
    if (!address || *address < 1 || *address > ln::MaxLocoAddress)
        return false;
    LocoEntry e;
    e.address = *address;
    bool ok = true;
    if (r.next_is(u'"'))
        e.name = loco_list::clean(r.quoted(ok), loco_list::MaxName);
    while (ok && !r.at_end()) {
        const auto n = r.take(u'F') ? r.number() : std::nullopt;
        if (!n || *n >= LocoEntry::Functions) {
            ok = false;
            break;
        }
        e.momentary[size_t(*n)] = r.take(u'*');
        if (r.next_is(u'"'))
            e.labels[size_t(*n)] = loco_list::clean(r.quoted(ok), loco_list::MaxLabel);
    }
    entry = e;
    return ok;
}

// Where the entry of that address is or belongs in the sorted entries.
template <class Entries> auto place(Entries& entries, int address)
{
    return std::lower_bound(entries.begin(), entries.end(), address,
                            [](const LocoEntry& e, int a) { return e.address < a; });
}

QByteArray quote(const QString& text)
{
    return '"' + QString(text).replace(u'"', QStringLiteral("\"\"")).toUtf8() + '"';
}
} // namespace

namespace loco_list {

QString clean(const QString& text, int length)
{
    QString out;
    for (const QChar ch : text)
        if (ch.category() != QChar::Other_Control)
            out += ch;
    out = out.trimmed().left(length);
    if (!out.isEmpty() && out.back().isHighSurrogate())
        out.chop(1);
    return out.trimmed();
}

std::vector<LocoEntry> parse(const QByteArray& content, bool* whole)
{
    const QByteArray head = content.left(MaxFileSize);
    const bool utf8 = QByteArrayView(head).isValidUtf8();
    std::vector<LocoEntry> entries;
    bool ok = content.size() <= MaxFileSize;
    for (const QByteArrayView bytes : text_lines(head, MaxFileSize)) {
        const QString line = utf8 ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
        const QStringView text = QStringView(line).trimmed();
        if (text.isEmpty() || text.startsWith(u'#'))
            continue;
        std::optional<LocoEntry> entry;
        ok = read_line(text, entry) && ok;
        if (!entry)
            continue;
        const auto at = place(entries, entry->address);
        if (at != entries.end() && at->address == entry->address) {
            *at = *entry; // the later line counts
            ok = false;
        } else {
            entries.insert(at, *entry);
        }
    }
    if (whole)
        *whole = ok;
    return entries;
}

QByteArray format(const std::vector<LocoEntry>& entries)
{
    QByteArray out = kHeader;
    for (const LocoEntry& e : entries) {
        out += QByteArray::number(e.address) + ' ' + quote(e.name);
        for (int n = 0; n < LocoEntry::Functions; ++n) {
            const QString& label = e.labels[size_t(n)];
            if (label.isEmpty() && !e.momentary[size_t(n)])
                continue;
            out +=
                " F" + QByteArray::number(n) + (e.momentary[size_t(n)] ? "* " : " ") + quote(label);
        }
        out += "\r\n";
    }
    return out;
}

} // namespace loco_list

LocoList::LocoList(const DataDir& data, MessageService& msgs) : data_(data), msgs_(msgs) {}

void LocoList::load()
{
    QByteArray bytes;
    atStart_.read = read_data_file(data_.file(loco_list::FileName), loco_list::MaxFileSize, &bytes);
    bool whole = true;
    entries_ = loco_list::parse(bytes, &whole);
    if (!whole && atStart_.read == FileRead::Whole)
        atStart_.read = FileRead::Partly;
    atStart_.content = loco_list::format(entries_);
    emit changed();
}

const LocoEntry* LocoList::find(int address) const
{
    const auto at = place(entries_, address);
    return at != entries_.end() && at->address == address ? &*at : nullptr;
}

const LocoEntry* LocoList::find_name(const QString& name) const
{
    for (const Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive})
        for (const LocoEntry& e : entries_)
            if (!e.name.isEmpty() && e.name.compare(name, cs) == 0)
                return &e;
    return nullptr;
}

QString LocoList::name(int address) const
{
    const LocoEntry* e = find(address);
    return e ? e->name : QString();
}

bool LocoList::set(const LocoEntry& entry, int previous)
{
    if (entry.address < 1 || entry.address > ln::MaxLocoAddress)
        return false;
    if (entry.address != previous && find(entry.address))
        return false;
    LocoEntry e = entry;
    e.name = loco_list::clean(e.name, loco_list::MaxName);
    for (QString& label : e.labels)
        label = loco_list::clean(label, loco_list::MaxLabel);
    std::erase_if(entries_, [previous](const LocoEntry& old) { return old.address == previous; });
    entries_.insert(place(entries_, e.address), e);
    save();
    emit changed();
    return true;
}

void LocoList::remove(int address)
{
    if (std::erase_if(entries_, [address](const LocoEntry& e) { return e.address == address; })) {
        save();
        emit changed();
    }
}

void LocoList::save()
{
    // Saved at each change: the list is edited rarely and should survive a crash.
    const QByteArray content = loco_list::format(entries_);
    if (save_data_file(data_, loco_list::FileName, content, atStart_, msgs_, kNichtGeschrieben))
        atStart_ = {FileRead::Whole, content};
}
