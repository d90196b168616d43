#pragma once
// The two tables of the module manager: the modules a search found, and the
// LNCVs of the module chosen with their values, names, the values of a
// backup file and what writing them brought. The editing rules live here so
// that they work the same for any view.

#include "lncv_files.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <utility>

class MessageService;

// A module as the bus knows it: the article field (the printed number / 10)
// and its address (LNCV 0).
struct LncvModuleId {
    int article = 0, address = 0;
    auto operator<=>(const LncvModuleId&) const = default;
};

class LncvModuleList : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { ColArticle, ColAddress, ColName };

    using QAbstractTableModel::QAbstractTableModel;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

    void clear();
    // Kept sorted by article and address; a module already listed stays once.
    void add(LncvModuleId id, const QString& name);
    // The module answers to a new address now; it keeps its row.
    void readdress(int row, int address);
    LncvModuleId at(int row) const { return rows_[row].id; }
    QString name(int row) const { return rows_[row].name; }

  private:
    struct Row {
        LncvModuleId id;
        QString name;
    };
    QList<Row> rows_;
};

class LncvValueTable : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { ColLncv, ColValue, ColName, ColFile, ColNote };
    // How a row is marked: its file value differs, its value was edited
    // and not yet written, or writing it failed.
    enum Mark { Plain, Differs, Edited, Failed };
    static constexpr int MarkRole = Qt::UserRole + 1;
    // A value not read yet, and one the module did not give.
    static constexpr int Unread = -2, Missing = -1;

    explicit LncvValueTable(MessageService& msgs, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A "Wert" cell takes a number the LNCV allows; anything else is
    // refused with a message and the cell keeps its value.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // A new module: the rows of its definition, nothing read.
    void reset(const lncvfile::Definition& def);
    // Before reading: a row for each of these LNCVs; every value unread.
    void prepare(const QList<int>& lncvs);
    void set_value(int lncv, int value);
    void set_note(int lncv, const QString& note, bool failed);
    // A backup's values in the "Datei" column, rows added where needed.
    void set_file(const QMap<int, int>& values);
    bool has_file() const { return hasFile_; }
    // While a session runs nothing is edited.
    void set_locked(bool locked) { locked_ = locked; }

    // The values read (Missing and Unread left out).
    QMap<int, int> known() const;
    // Edited values, by LNCV.
    QList<std::pair<int, int>> edited() const;
    // The file's values that differ from the module's, except LNCV 0 (the
    // address) and read-only LNCVs: what restoring writes.
    QList<std::pair<int, int>> restorable() const;

  private:
    struct Row {
        int lncv = 0;
        int value = Unread;
        int edit = -1; // -1: not edited
        int file = -1; // -1: not in the file
        lncvfile::LncvInfo info;
        QString note;
        bool failed = false;
    };
    // The row of an LNCV, made where the order puts it when missing.
    int row_for(int lncv);
    void changed(int row);
    static QString number(int value);

    MessageService& msgs_;
    QList<Row> rows_;
    bool hasFile_ = false, locked_ = false;
};
