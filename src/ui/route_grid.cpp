#include "route_grid.h"

#include "routes/route_table.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionHeader>
#include <QStyledItemDelegate>
#include <QTableView>

namespace {
constexpr int FlagWidth = 40, CellWidth = 60; // least widths, as the table has always had

QPixmap check_mark()
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 110, 0), 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath path({2.5, 8.5});
    path.lineTo(6.5, 12.5);
    path.lineTo(13.5, 3.5);
    p.drawPath(path);
    return pm;
}

// A flag cell's picture sits in the middle of the cell, not at its left edge.
class FlagDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        QStyleOptionViewItem o(option);
        initStyleOption(&o, index);
        const QIcon picture = o.icon;
        o.icon = QIcon();
        o.features &= ~QStyleOptionViewItem::HasDecoration;
        const QWidget* w = o.widget;
        (w ? w->style() : QApplication::style())->drawControl(QStyle::CE_ItemViewItem, &o, p, w);
        picture.paint(p, o.rect, Qt::AlignCenter);
    }
};

// The corner button above the route numbers carries the first column's title.
class CornerTitle : public QObject {
  public:
    CornerTitle(QAbstractButton* corner, QString title) : QObject(corner), title_(std::move(title))
    {
        corner->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Paint)
            return false;
        auto* corner = static_cast<QAbstractButton*>(watched);
        QStyleOptionHeader opt;
        opt.initFrom(corner);
        opt.rect = corner->rect();
        opt.text = title_;
        opt.textAlignment = Qt::AlignCenter;
        opt.position = QStyleOptionHeader::OnlyOneSection;
        QPainter p(corner);
        corner->style()->drawControl(QStyle::CE_Header, &opt, &p, corner);
        return true;
    }

  private:
    QString title_;
};
} // namespace

RouteGridModel::RouteGridModel(QObject* parent)
    : QIdentityProxyModel(parent), HakenPic(check_mark())
{
}

QVariant RouteGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !RouteTable::is_flag(index.column()))
        return QIdentityProxyModel::data(index, role);
    // Only a set flag is a picture; any other text stands as it is, so a
    // route whose flag holds something odd shows why it does not run.
    const bool set = QIdentityProxyModel::data(index, Qt::EditRole).toString() == RouteTable::Set;
    if (role == Qt::DecorationRole)
        return set ? QVariant(HakenPic) : QVariant();
    if (role == Qt::DisplayRole && set)
        return QVariant(); // the blank would push the picture aside
    return QIdentityProxyModel::data(index, role);
}

QVariant RouteGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || !sourceModel())
        return QIdentityProxyModel::headerData(section, orientation, role);
    const QModelIndex i = orientation == Qt::Horizontal ? sourceModel()->index(0, section)
                                                        : sourceModel()->index(section, 0);
    return sourceModel()->data(i, Qt::DisplayRole);
}

void show_route_grid(QTableView* view, RouteGridModel* model)
{
    view->setModel(model);
    view->setRowHidden(0, true);
    view->setColumnHidden(0, true);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    auto* flags = new FlagDelegate(view);
    for (int c = RouteTable::Active; c <= RouteTable::Blocked; ++c)
        view->setItemDelegateForColumn(c, flags);

    const QFontMetrics fm = view->horizontalHeader()->fontMetrics();
    const int pad = 16;
    const int stepWidth = std::max(
        CellWidth, view->fontMetrics().horizontalAdvance(QStringLiteral("Ma2047-g")) + pad);
    for (int c = 1; c < RouteTable::Columns; ++c) {
        const int least = RouteTable::is_flag(c) ? FlagWidth : stepWidth;
        const QString head = model->headerData(c, Qt::Horizontal).toString();
        view->setColumnWidth(c, std::max(least, fm.horizontalAdvance(head) + pad));
    }
    const QString title = model->headerData(0, Qt::Horizontal).toString();
    view->verticalHeader()->setMinimumWidth(fm.horizontalAdvance(title) + pad);
    if (auto* corner = view->findChild<QAbstractButton*>())
        new CornerTitle(corner, title);
}
