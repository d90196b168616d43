#include "monitor_model.h"

#include "core/file_io.h"
#include "describe.h"
#include "message.h"

#include <QFile>

namespace {
const QString kHeaders[] = {QStringLiteral("Zeit"), QStringLiteral("Richtung"),
                            QStringLiteral("Bytes"), QStringLiteral("Beschreibung")};
} // namespace

MonitorModel::MonitorModel(QObject* parent) : QAbstractTableModel(parent)
{
    batch_.setSingleShot(true);
    batch_.setInterval(BatchMs);
    connect(&batch_, &QTimer::timeout, this, &MonitorModel::flush);
}

void MonitorModel::traffic(double seconds, ln::Traffic what, const QByteArray& message)
{
    waiting_.push_back(Line{seconds, what, message});
    if (waiting_.size() > size_t(MaxLines))
        waiting_.pop_front();
    if (!paused_ && !batch_.isActive())
        batch_.start();
}

void MonitorModel::flush()
{
    if (paused_ || waiting_.empty())
        return;
    const int incoming = int(waiting_.size());
    const int excess = int(lines_.size()) + incoming - MaxLines;
    if (excess > 0) {
        const int gone = std::min(excess, int(lines_.size()));
        beginRemoveRows({}, 0, gone - 1);
        lines_.erase(lines_.begin(), lines_.begin() + gone);
        endRemoveRows();
    }
    const int first = int(lines_.size());
    beginInsertRows({}, first, first + incoming - 1);
    lines_.insert(lines_.end(), std::make_move_iterator(waiting_.begin()),
                  std::make_move_iterator(waiting_.end()));
    endInsertRows();
    waiting_.clear();
}

void MonitorModel::clear()
{
    beginResetModel();
    lines_.clear();
    waiting_.clear();
    endResetModel();
}

void MonitorModel::load(const std::deque<ln::SavedMessage>& messages)
{
    beginResetModel();
    lines_.clear();
    const size_t skip = messages.size() > size_t(MaxLines) ? messages.size() - MaxLines : 0;
    for (auto it = messages.begin() + qsizetype(skip); it != messages.end(); ++it)
        lines_.push_back(Line{it->seconds, it->what, it->bytes, it->timed});
    endResetModel();
}

void MonitorModel::setPaused(bool paused)
{
    paused_ = paused;
    if (!paused_)
        flush();
}

int MonitorModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(lines_.size());
}

int MonitorModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Columns;
}

QVariant MonitorModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Line& l = lines_[size_t(index.row())];
    if (role == Qt::ToolTipRole && index.column() == Bytes) // long messages do not fit
        return ln::hex(l.bytes);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case Time: return l.timed ? QString::number(l.seconds, 'f', 3) : QString();
    case Direction: return l.timed ? ln::tag(l.what) : QString();
    case Bytes: return ln::hex(l.bytes);
    case Description: return ln::describe(l.bytes);
    default: return {};
    }
}

QVariant MonitorModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (o == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < Columns)
        return kHeaders[section];
    return QAbstractTableModel::headerData(section, o, role);
}

QString MonitorModel::trace_line(int row) const
{
    const Line& l = lines_[size_t(row)];
    return l.timed ? ln::TraceWriter::format(l.seconds, l.what, l.bytes) : ln::hex(l.bytes);
}

QString MonitorModel::search_text(int row) const
{
    const Line& l = lines_[size_t(row)];
    const QString text = ln::hex(l.bytes) + u' ' + ln::describe(l.bytes);
    return l.timed ? ln::tag(l.what) + u' ' + text : text;
}

int MonitorModel::opcode(int row) const
{
    const Line& l = lines_[size_t(row)];
    return l.bytes.isEmpty() ? -1 : uint8_t(l.bytes[0]);
}

void MonitorFilter::setFilter(const QString& text, int opcode)
{
    text_ = text.trimmed();
    opcode_ = opcode;
    invalidateFilter();
}

bool MonitorFilter::filterAcceptsRow(int row, const QModelIndex&) const
{
    const auto* m = static_cast<const MonitorModel*>(sourceModel());
    if (opcode_ >= 0 && m->opcode(row) != opcode_)
        return false;
    return text_.isEmpty() || m->search_text(row).contains(text_, Qt::CaseInsensitive);
}

std::optional<int> opcode_filter(const QString& typed)
{
    QString text = typed.trimmed();
    if (text.isEmpty())
        return -1;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        text = text.mid(2);
    bool ok = false;
    const int v = text.toInt(&ok, 16);
    if (!ok || text.size() > 2 || v < 0x80 || v > 0xFF)
        return std::nullopt;
    return v;
}

bool save_trace(const MonitorFilter& shown, const QString& path, QString* error)
{
    const auto* m = static_cast<const MonitorModel*>(shown.sourceModel());
    QByteArray content;
    for (int r = 0; r < shown.rowCount(); ++r)
        content += m->trace_line(shown.mapToSource(shown.index(r, 0)).row()).toLatin1() + '\n';
    return save_file(path, content, error);
}

bool load_trace(MonitorModel& model, const QString& path, QList<int>* skipped, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    std::deque<ln::SavedMessage> messages;
    ln::read_saved(
        file,
        [&messages](const ln::SavedMessage& m) {
            messages.push_back(m);
            if (messages.size() > size_t(MonitorModel::MaxLines))
                messages.pop_front();
        },
        [skipped](int line) {
            if (skipped)
                skipped->append(line);
        });
    model.load(messages);
    return true;
}
