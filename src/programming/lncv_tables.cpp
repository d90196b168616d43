#include "lncv_tables.h"

#include "core/messages.h"
#include "core/number_text.h"

#include <algorithm>

namespace {
const QStringList kModulSpalten = {QStringLiteral("Artikelnummer"), QStringLiteral("Adresse"),
                                   QStringLiteral("Name")};
const QStringList kWertSpalten = {QStringLiteral("LNCV"), QStringLiteral("Wert"),
                                  QStringLiteral("Name"), QStringLiteral("Datei"),
                                  QStringLiteral("Meldung")};
const QString kFehlt = QStringLiteral("-");
// Numbers line up at the right, as in every table of numbers.
const QVariant numberAlignment = int(Qt::AlignRight | Qt::AlignVCenter);
const QString kWertBereich = QStringLiteral("LNCV %1 nimmt einen Wert von %2 bis %3.");

QVariant header(const QStringList& titles, int section, Qt::Orientation o, int role)
{
    if (o == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < titles.size())
        return titles[section];
    return {};
}
} // namespace

int LncvModuleList::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int LncvModuleList::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(kModulSpalten.size());
}

QVariant LncvModuleList::data(const QModelIndex& index, int role) const
{
    if (role == Qt::TextAlignmentRole && index.column() != ColName)
        return numberAlignment;
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rows_.size())
        return {};
    const Row& r = rows_[index.row()];
    switch (index.column()) {
    case ColArticle: return r.id.article * 10; // as printed on the module
    case ColAddress: return r.id.address;
    case ColName: return r.name;
    default: return {};
    }
}

QVariant LncvModuleList::headerData(int section, Qt::Orientation o, int role) const
{
    return header(kModulSpalten, section, o, role);
}

void LncvModuleList::clear()
{
    beginResetModel();
    rows_.clear();
    endResetModel();
}

void LncvModuleList::add(LncvModuleId id, const QString& name)
{
    const auto at = std::lower_bound(rows_.begin(), rows_.end(), id,
                                     [](const Row& r, const LncvModuleId& i) { return r.id < i; });
    if (at != rows_.end() && at->id == id)
        return;
    const int row = int(at - rows_.begin());
    beginInsertRows({}, row, row);
    rows_.insert(row, {id, name});
    endInsertRows();
}

void LncvModuleList::readdress(int row, int address)
{
    if (row < 0 || row >= rows_.size())
        return;
    rows_[row].id.address = address;
    emit dataChanged(index(row, ColAddress), index(row, ColAddress));
}

LncvValueTable::LncvValueTable(MessageService& msgs, QObject* parent)
    : QAbstractTableModel(parent), msgs_(msgs)
{
}

int LncvValueTable::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int LncvValueTable::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(kWertSpalten.size());
}

QString LncvValueTable::number(int value)
{
    return value == Unread ? QString() : value == Missing ? kFehlt : QString::number(value);
}

QVariant LncvValueTable::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rows_.size())
        return {};
    const Row& r = rows_[index.row()];
    if (role == MarkRole) {
        if (r.failed)
            return Failed;
        if (r.edit >= 0)
            return Edited;
        return r.file >= 0 && r.file != r.value ? Differs : Plain;
    }
    if (role == Qt::TextAlignmentRole && index.column() != ColName && index.column() != ColNote)
        return numberAlignment;
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    switch (index.column()) {
    case ColLncv: return r.lncv;
    case ColValue: return number(r.edit >= 0 ? r.edit : r.value);
    case ColName: return r.info.name;
    case ColFile: return r.file >= 0 ? QString::number(r.file) : QString();
    case ColNote: return r.note;
    default: return {};
    }
}

QVariant LncvValueTable::headerData(int section, Qt::Orientation o, int role) const
{
    return header(kWertSpalten, section, o, role);
}

Qt::ItemFlags LncvValueTable::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == ColValue && !locked_ &&
        !rows_[index.row()].info.readOnly)
        f |= Qt::ItemIsEditable;
    return f;
}

bool LncvValueTable::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    Row& r = rows_[index.row()];
    const QString text = value.toString().trimmed();
    const auto n = number_in(text, r.info.min, r.info.max);
    if (!text.isEmpty() && !n) {
        msgs_.show(titles::Fehler, kWertBereich.arg(r.lncv).arg(r.info.min).arg(r.info.max),
                   MsgIcon::Warning);
        return false;
    }
    // Cleared, or back at the module's value: nothing to write.
    r.edit = n && *n != r.value ? *n : -1;
    changed(index.row());
    return true;
}

void LncvValueTable::changed(int row)
{
    emit dataChanged(index(row, 0), index(row, ColNote));
}

int LncvValueTable::row_for(int lncv)
{
    const auto at = std::lower_bound(rows_.begin(), rows_.end(), lncv,
                                     [](const Row& r, int n) { return r.lncv < n; });
    const int row = int(at - rows_.begin());
    if (at != rows_.end() && at->lncv == lncv)
        return row;
    beginInsertRows({}, row, row);
    Row r;
    r.lncv = lncv;
    rows_.insert(row, r);
    endInsertRows();
    return row;
}

void LncvValueTable::reset(const lncvfile::Definition& def)
{
    beginResetModel();
    rows_.clear();
    for (auto it = def.lncvs.cbegin(); it != def.lncvs.cend(); ++it) {
        Row r;
        r.lncv = it.key();
        r.info = it.value();
        rows_.append(r);
    }
    hasFile_ = false;
    endResetModel();
}

void LncvValueTable::prepare(const QList<int>& lncvs)
{
    for (const int n : lncvs)
        row_for(n);
    for (Row& r : rows_) {
        r.value = Unread;
        r.edit = -1;
        r.note.clear();
        r.failed = false;
    }
    if (!rows_.isEmpty())
        emit dataChanged(index(0, 0), index(int(rows_.size()) - 1, ColNote));
}

void LncvValueTable::set_value(int lncv, int value)
{
    const int row = row_for(lncv);
    rows_[row].value = value;
    rows_[row].edit = -1;
    changed(row);
}

void LncvValueTable::set_note(int lncv, const QString& note, bool failed)
{
    const int row = row_for(lncv);
    rows_[row].note = note;
    rows_[row].failed = failed;
    changed(row);
}

void LncvValueTable::set_file(const QMap<int, int>& values)
{
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        row_for(it.key());
    for (Row& r : rows_)
        r.file = values.value(r.lncv, -1);
    hasFile_ = true;
    if (!rows_.isEmpty())
        emit dataChanged(index(0, 0), index(int(rows_.size()) - 1, ColNote));
}

QMap<int, int> LncvValueTable::known() const
{
    QMap<int, int> m;
    for (const Row& r : rows_)
        if (r.value >= 0)
            m[r.lncv] = r.value;
    return m;
}

QList<std::pair<int, int>> LncvValueTable::edited() const
{
    QList<std::pair<int, int>> l;
    for (const Row& r : rows_)
        if (r.edit >= 0)
            l.append({r.lncv, r.edit});
    return l;
}

QList<std::pair<int, int>> LncvValueTable::restorable() const
{
    QList<std::pair<int, int>> l;
    for (const Row& r : rows_)
        if (r.file >= 0 && r.file != r.value && r.lncv != 0 && !r.info.readOnly)
            l.append({r.lncv, r.file});
    return l;
}
