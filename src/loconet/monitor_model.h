#pragma once
// The lines of the LocoNet monitor: time, direction, bytes, description.
// Messages are collected as they happen and reach the view in batches, so a
// burst costs one insert per batch, not one per message; only the newest
// MaxLines are kept. The description is made when a line is shown.

#include "trace.h"
#include "trace_reader.h"

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <QTimer>
#include <deque>
#include <optional>

class MonitorModel : public QAbstractTableModel, public ln::TrafficTap {
    Q_OBJECT
  public:
    enum Column { Time, Direction, Bytes, Description, Columns };
    static constexpr int MaxLines = 100000;
    static constexpr int BatchMs = 100;

    explicit MonitorModel(QObject* parent = nullptr);

    void traffic(double seconds, ln::Traffic what, const QByteArray& message) override;
    // Moves the collected messages into the model at once.
    void flush();
    void clear();
    // The lines become the messages given (the newest MaxLines of them);
    // messages held back by a pause stay held back.
    void load(const std::deque<ln::SavedMessage>& messages);
    // While paused, messages are still collected (the newest MaxLines) and
    // appear when the pause ends.
    void setPaused(bool paused);
    bool paused() const { return paused_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

    // The row as a trace line ("   12.345  TX  82 7D"), or as plain hex
    // when it was loaded from plain hex.
    QString trace_line(int row) const;
    // Everything searchable in the row: direction, bytes, description.
    QString search_text(int row) const;
    int opcode(int row) const;

  private:
    struct Line {
        double seconds;
        ln::Traffic what;
        QByteArray bytes;
        bool timed = true;
    };
    std::deque<Line> lines_, waiting_;
    QTimer batch_;
    bool paused_ = false;
};

// Rows whose text contains the filter text (any case) and, when one is
// set, whose opcode is the one chosen.
class MonitorFilter : public QSortFilterProxyModel {
    Q_OBJECT
  public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void setFilter(const QString& text, int opcode);

  protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override;

  private:
    QString text_;
    int opcode_ = -1;
};

// The opcode typed in the filter: "B2", "0xB2" (80..FF); -1 for an empty
// text; nothing for anything else.
std::optional<int> opcode_filter(const QString& text);

// Writes the rows the filter shows as a trace file; false and the reason
// when the file cannot be written (the old file stays).
bool save_trace(const MonitorFilter& shown, const QString& path, QString* error);

// Shows a file saved by the monitor or written by --trace (or plain hex
// lines) instead of the lines so far; false and the reason when it cannot
// be read. The numbers of lines that are no message go to `skipped`.
bool load_trace(MonitorModel& model, const QString& path, QList<int>* skipped, QString* error);
