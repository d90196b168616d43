#include "cv_table.h"

#include "core/colour.h"
#include "core/number_text.h"

namespace {
const QStringList kHeaders = {
    QStringLiteral("CV"), QStringLiteral("Op"), QStringLiteral("Erklärung"), QStringLiteral("Wert"),
    QStringLiteral("7"),  QStringLiteral("6"),  QStringLiteral("5"),         QStringLiteral("4"),
    QStringLiteral("3"),  QStringLiteral("2"),  QStringLiteral("1"),         QStringLiteral("0")};
const QString kSelected = QStringLiteral(" ");
const QString kUnknown = QStringLiteral("-");
const QChar kBar = u'|';

// The value of a cell text: "-", empty or no number count as 0; more
// digits than a value has count as too large, never as a small value.
int text_value(const QString& text)
{
    if (text.isEmpty() || text == u'-' || !is_number_text(text))
        return 0;
    return number_in(text, 0, 99999).value_or(99999);
}

bool is_bit_column(int col)
{
    return col >= CvTable::ColBit7 && col <= CvTable::ColBit0;
}
} // namespace

const QString CvTable::Cleared = QStringLiteral("----");

CvTable::CvTable(QObject* parent) : QAbstractTableModel(parent), name_(Cleared) {}

int CvTable::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int CvTable::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Columns;
}

QVariant CvTable::data(const QModelIndex& index, int role) const
{
    const int row = index.row(), col = index.column();
    if (row < 0 || row >= rows_.size() || col < 0 || col >= Columns)
        return {};
    const bool editCell = row == editRow_ && col == ColValue;
    switch (role) {
    case Qt::DisplayRole:
        if (editCell)
            return editText_ + (blinkOn_ ? kBar : u' ');
        return cell(row, col);
    case Qt::CheckStateRole:
        if (col == ColOp)
            return selected(row) ? Qt::Checked : Qt::Unchecked;
        return {};
    case ColourRole:
        if (col == ColValue && text_value(editCell ? editText_ : cell(row, col)) > 255)
            return colour::Red;
        return colour::Black;
    case Qt::TextAlignmentRole:
        return col == ColText ? int(Qt::AlignLeft | Qt::AlignVCenter) : int(Qt::AlignCenter);
    default: return {};
    }
}

QVariant CvTable::headerData(int section, Qt::Orientation o, int role) const
{
    if (o == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < Columns)
        return kHeaders[section];
    return QAbstractTableModel::headerData(section, o, role);
}

QString CvTable::cell(int row, int col) const
{
    if (row < 0 || row >= rows_.size() || col < 0 || col >= Columns)
        return {};
    return rows_[row][size_t(col)];
}

void CvTable::set_cell(int row, int col, const QString& text)
{
    if (row < 0 || row >= rows_.size() || col < 0 || col >= Columns)
        return;
    rows_[row][size_t(col)] = text;
    changed(row, col, col);
}

void CvTable::changed(int row, int firstCol, int lastCol)
{
    emit dataChanged(index(row, firstCol), index(row, lastCol));
}

void CvTable::set_name(const QString& name)
{
    name_ = name;
    emit name_changed(name_);
}

CvTable::Row CvTable::new_row(const QString& cv, const QString& text)
{
    Row r;
    r.fill(kUnknown);
    r[ColCv] = cv;
    r[ColOp] = QString();
    r[ColText] = text;
    return r;
}

void CvTable::NewRow(int cv, const QString& text)
{
    end_edit();
    // A table read from a list file need not be sorted: its row for cv may
    // stand anywhere.
    for (int row = 0; row < rows_.size(); ++row)
        if (this->cv(row) == cv) {
            rows_[row] = new_row(QString::number(cv), text);
            changed(row, 0, Columns - 1);
            return;
        }
    int at = 0;
    while (at < rows_.size() && this->cv(at) < cv)
        ++at;
    beginInsertRows({}, at, at);
    rows_.insert(at, new_row(QString::number(cv), text));
    endInsertRows();
}

void CvTable::ClrRow(int row)
{
    if (row < 0 || row >= rows_.size())
        return;
    if (row == editRow_)
        editRow_ = -1;
    else if (row < editRow_)
        --editRow_;
    beginRemoveRows({}, row, row);
    rows_.removeAt(row);
    endRemoveRows();
}

void CvTable::clear_all()
{
    beginResetModel();
    rows_.clear();
    editRow_ = -1;
    endResetModel();
    set_name(Cleared);
}

void CvTable::set_rows(const QList<std::pair<QString, QString>>& rows)
{
    beginResetModel();
    rows_.clear();
    editRow_ = -1;
    for (const auto& [cv, text] : rows)
        rows_.append(new_row(cv, text));
    endResetModel();
}

void CvTable::show_values(const std::array<int, 1025>& values)
{
    for (int row = 0; row < rows_.size(); ++row) {
        const int c = cv(row);
        if (c < 1 || c > 1024)
            continue;
        const int v = values[size_t(c)];
        if (v < 0 || v > 255) {
            for (int col = ColValue; col < Columns; ++col)
                rows_[row][size_t(col)] = kUnknown;
            changed(row, ColValue, Columns - 1);
        } else {
            rows_[row][ColValue] = QString::number(v);
            row_bits(row);
        }
    }
}

void CvTable::row_bits(int row)
{
    const QString value = cell(row, ColValue);
    if (value == kUnknown || value.isEmpty()) {
        changed(row, ColValue, ColValue);
        return;
    }
    const int v = text_value(value);
    for (int k = 0; k < 8; ++k)
        rows_[row][size_t(ColBit7 + k)] =
            v & (1 << (7 - k)) ? QStringLiteral("1") : QStringLiteral("0");
    changed(row, ColValue, Columns - 1);
}

void CvTable::value_from_bits(int row)
{
    int v = 0;
    for (int k = 0; k < 8; ++k)
        if (cell(row, ColBit7 + k) == QLatin1String("1"))
            v += 1 << (7 - k);
    set_cell(row, ColValue, QString::number(v));
}

void CvTable::set_selected(int row, bool on)
{
    set_cell(row, ColOp, on ? kSelected : QString());
}

void CvTable::select_all(bool on)
{
    for (int row = 0; row < rows_.size(); ++row)
        rows_[row][ColOp] = on ? kSelected : QString();
    if (!rows_.isEmpty())
        emit dataChanged(index(0, ColOp), index(int(rows_.size()) - 1, ColOp));
}

void CvTable::set_bit(int row, int col, QChar bit)
{
    if (!is_bit_column(col) || row < 0 || row >= rows_.size() || (bit != u'0' && bit != u'1'))
        return;
    set_cell(row, col, QString(bit));
    value_from_bits(row);
}

void CvTable::toggle_bit(int row, int col)
{
    const QString b = cell(row, col);
    if (!is_bit_column(col))
        return;
    if (b == QLatin1String("1") || b == QLatin1String("0"))
        set_cell(row, col, b == QLatin1String("1") ? QStringLiteral("0") : QStringLiteral("1"));
    value_from_bits(row);
}

void CvTable::begin_edit(int row)
{
    end_edit();
    if (row < 0 || row >= rows_.size())
        return;
    editRow_ = row;
    editText_ = cell(row, ColValue);
    blinkOn_ = true;
    changed(row, ColValue, ColValue);
}

void CvTable::edit_digit(int digit)
{
    if (!editing() || digit < 0 || digit > 9)
        return;
    const QChar d = QChar(u'0' + digit);
    if (text_value(editText_) == 0)
        editText_ = d;
    else if (editText_.size() < 5)
        editText_ += d;
    changed(editRow_, ColValue, ColValue);
}

void CvTable::edit_erase()
{
    if (!editing())
        return;
    editText_.chop(1);
    changed(editRow_, ColValue, ColValue);
}

void CvTable::blink()
{
    if (!editing())
        return;
    blinkOn_ = !blinkOn_;
    changed(editRow_, ColValue, ColValue);
}

void CvTable::end_edit()
{
    if (!editing())
        return;
    const int row = editRow_;
    editRow_ = -1;
    rows_[row][ColValue] = editText_;
    row_bits(row);
}

QList<CvTable::Entry> CvTable::user_list() const
{
    QList<Entry> list;
    for (int row = 0; row < rows_.size(); ++row) {
        if (!selected(row))
            continue;
        const QString v = row == editRow_ ? editText_ : cell(row, ColValue);
        list.append({cv(row), v.isEmpty() || v == kUnknown ? -1 : text_value(v)});
    }
    return list;
}
