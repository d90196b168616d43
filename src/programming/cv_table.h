#pragma once
// The decoder-specific CV table: one row per CV with a selection mark, an
// explanation, the value and its eight bits, kept sorted by CV number. The
// editing rules live here so that they work the same for any view.

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <array>

class CvTable : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { ColCv = 0, ColOp = 1, ColText = 2, ColValue = 3, ColBit7 = 4, ColBit0 = 11 };
    static constexpr int Columns = 12;
    // Text colour of a cell as a 24-bit value (red above 255 in "Wert").
    static constexpr int ColourRole = Qt::UserRole + 1;
    static const QString Cleared; // the table name after "Tabelle löschen"

    explicit CvTable(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

    // Rows are counted from 0 below the header.
    QString cell(int row, int col) const;
    void set_cell(int row, int col, const QString& text);
    int cv(int row) const { return cell(row, ColCv).toInt(); }

    QString name() const { return name_; }
    void set_name(const QString& name);

    // A row for cv with its explanation; an existing row for cv is reused,
    // otherwise the row goes where the order of CV numbers puts it.
    void NewRow(int cv, const QString& text);
    void ClrRow(int row);
    // Only the header stays; the name becomes "----".
    void clear_all();
    // Rows of a list file, top to bottom: CV text and explanation.
    void set_rows(const QList<std::pair<QString, QString>>& rows);

    // The value and bit columns from the known values (unknown: "-").
    void show_values(const std::array<int, 1025>& values);

    bool selected(int row) const { return cell(row, ColOp) == QLatin1String(" "); }
    void set_selected(int row, bool on);
    void select_all(bool on);

    // The bit columns take "0" or "1" and the value follows them.
    void set_bit(int row, int col, QChar bit);
    void toggle_bit(int row, int col);

    // Editing a value cell: digits append, erasing removes the last one, the
    // cell shows the text with a blinking bar until the cell is left.
    void begin_edit(int row);
    void edit_digit(int digit);
    void edit_erase();
    void blink();
    void end_edit();
    bool editing() const { return editRow_ >= 0; }
    int edit_row() const { return editRow_; }

    struct Entry {
        int cv;
        int value; // -1 for "-" or an empty cell
    };
    // The selected rows, top to bottom.
    QList<Entry> user_list() const;

  signals:
    void name_changed(const QString& name);

  private:
    using Row = std::array<QString, Columns>;
    static Row new_row(const QString& cv, const QString& text);
    void row_bits(int row);
    void value_from_bits(int row);
    void changed(int row, int firstCol, int lastCol);

    QList<Row> rows_;
    QString name_;
    int editRow_ = -1;
    QString editText_;
    bool blinkOn_ = true;
};
