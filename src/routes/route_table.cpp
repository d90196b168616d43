#include "route_table.h"

namespace {
const QString kHeads[RouteTable::FirstStep] = {
    QStringLiteral("Fahrstr."), QStringLiteral("aktiv."),    QStringLiteral("angef."),
    QStringLiteral("block."),   QStringLiteral("anfordern"), QStringLiteral("auflösen"),
};
const QString kNone;
} // namespace

RouteTable::RouteTable(QObject* parent)
    : QAbstractTableModel(parent), cells_(size_t(Rows * Columns))
{
    for (int c = 0; c < Columns; ++c)
        at(0, c) = c < FirstStep ? kHeads[c] : QString::number(c - FirstStep + 1);
    for (int r = 1; r < Rows; ++r)
        at(r, 0) = QString::number(r);
}

const QString& RouteTable::cell(int r, int c) const
{
    if (r < 0 || r >= Rows || c < 0 || c >= Columns)
        return kNone;
    return cells_[size_t(r * Columns + c)];
}

void RouteTable::set_cell(int r, int c, const QString& text)
{
    if (!editable(r, c) || at(r, c) == text)
        return;
    at(r, c) = text;
    const QModelIndex i = index(r, c);
    emit dataChanged(i, i);
}

void RouteTable::fill(const std::vector<QString>& cells)
{
    beginResetModel();
    size_t k = 0;
    for (int r = 1; r < Rows && k < cells.size(); ++r)
        for (int c = 1; c < Columns && k < cells.size(); ++c)
            at(r, c) = cells[k++];
    endResetModel();
}

int RouteTable::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Rows;
}

int RouteTable::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Columns;
}

QVariant RouteTable::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return cell(index.row(), index.column());
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    return {};
}
