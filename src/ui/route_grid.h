#pragma once
// The route table as the editor's grid shows it. Row 0 and column 0 of the
// table become the grid's fixed headers (hidden as cells), so view and
// table share their coordinates. A flag cell shows a check mark exactly
// when its text says the flag is set, and any other text as it stands: the
// picture is worked out from the text, never stored beside it. The edit
// role always gives the text.

#include <QIdentityProxyModel>
#include <QPixmap>

class QTableView;

class RouteGridModel : public QIdentityProxyModel {
    Q_OBJECT
  public:
    explicit RouteGridModel(QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    QPixmap HakenPic; // the check mark
};

// Lays a table view out over the route table: headers from row 0 and
// column 0, column widths that fit their texts, the header corner titled.
void show_route_grid(QTableView* view, RouteGridModel* model);
