#pragma once
// The route table: 208 routes of three flags, two triggers and 50 steps,
// held as 209 x 56 text cells (row 0 and column 0 carry the headers and the
// route numbers). It is the only store of the routes: the file, the engine,
// the memory panel, the triggers and the editor all read and write these
// cells, whether a window shows them or not.

#include <QAbstractTableModel>
#include <QString>
#include <vector>

class RouteTable : public QAbstractTableModel {
    Q_OBJECT
  public:
    static constexpr int Rows = 209, Columns = 56;
    static constexpr int Routes = Rows - 1;
    // Columns of a route row.
    static constexpr int Active = 1, Requested = 2, Blocked = 3;
    static constexpr int RequestTrigger = 4, ReleaseTrigger = 5;
    static constexpr int FirstStep = 6, LastStep = 55;

    // The text of a set flag; a cleared flag is empty.
    static inline const QString Set = QStringLiteral(" ");

    explicit RouteTable(QObject* parent = nullptr);

    // Accessory switching time and the pause after a step, in ms.
    int MagT1 = 0;
    int MagT2 = 0;

    static bool is_route(int r) { return r >= 1 && r <= Routes; }
    static bool is_flag(int c) { return c >= Active && c <= Blocked; }

    // Outside the table: the empty text.
    const QString& cell(int r, int c) const;
    // Writes a cell of a route row (rows 1..208, columns 1..55); the headers
    // and route numbers stay as they are.
    void set_cell(int r, int c, const QString& text);
    bool flag(int r, int c) const { return cell(r, c) == Set; }
    void set_flag(int r, int c, bool on) { set_cell(r, c, on ? Set : QString()); }

    // Every route cell at once, row by row from (1, 1); cells beyond the
    // list are left as they are. One reset instead of 11440 changes.
    void fill(const std::vector<QString>& cells);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  private:
    static bool editable(int r, int c) { return is_route(r) && c >= 1 && c < Columns; }
    QString& at(int r, int c) { return cells_[size_t(r * Columns + c)]; }

    std::vector<QString> cells_;
};
