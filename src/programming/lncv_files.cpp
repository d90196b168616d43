#include "lncv_files.h"

#include "core/datadir.h"
#include "core/file_io.h"
#include "core/number_text.h"
#include "cv_files.h"

#include <QDir>

namespace lncvfile {

namespace {
const QString kArtikelnummer = QStringLiteral("Artikelnummer");
const QString kAdresse = QStringLiteral("Adresse");
const QString kName = QStringLiteral("Name");
const QString kNurLesen = QStringLiteral("nur lesen");
const QString kKopf = QStringLiteral("# LNCV-Sicherung");
const QString kFolder = QStringLiteral("LNCV");
const QString kCrLf = QStringLiteral("\r\n");
// More lines than a module has LNCVs are not read.
constexpr qsizetype MaxLines = 2 * (MaxField + 1);

struct Line {
    QString key, value;
};

// The "key=value" lines of a file, blanks around both trimmed; comments,
// blank lines and lines without "=" left out.
QList<Line> lines_of(const QByteArray& bytes)
{
    QList<Line> lines;
    for (const QByteArrayView raw : text_lines(bytes, MaxLines)) {
        QString text = cvfile::decode(raw.toByteArray());
        if (const qsizetype hash = text.indexOf(u'#'); hash >= 0)
            text.truncate(hash);
        const qsizetype eq = text.indexOf(u'=');
        if (eq > 0)
            lines.append({text.left(eq).trimmed(), text.mid(eq + 1).trimmed()});
    }
    return lines;
}

bool is(const QString& key, const QString& name)
{
    return key.compare(name, Qt::CaseInsensitive) == 0;
}

// "min-max", each 0..65535 and in that order.
bool take_range(const QString& item, LncvInfo& info)
{
    const qsizetype dash = item.indexOf(u'-');
    if (dash < 0)
        return false;
    const auto lo = number_in(item.left(dash).trimmed(), 0, MaxField);
    const auto hi = number_in(item.mid(dash + 1).trimmed(), 0, MaxField);
    if (!lo || !hi || *lo > *hi)
        return false;
    info.min = *lo;
    info.max = *hi;
    return true;
}

// The entry of that name in any case; empty when there is none.
QString entry(const QString& dir, const QString& name)
{
    const QDir d(dir);
    for (const QString& e : d.entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
        if (e.compare(name, Qt::CaseInsensitive) == 0)
            return d.filePath(e);
    return {};
}
} // namespace

std::optional<Backup> parse_backup(const QByteArray& bytes)
{
    Backup b;
    bool headed = false;
    for (const Line& l : lines_of(bytes)) {
        const auto n = number_in(l.value, 0, MaxField * 10);
        if (is(l.key, kArtikelnummer) && n) {
            b.article = *n;
            headed = true;
        } else if (is(l.key, kAdresse) && n && *n <= MaxField) {
            b.address = *n;
        } else if (const auto lncv = number_in(l.key, 0, MaxField); lncv && n && *n <= MaxField) {
            b.values[*lncv] = *n;
        }
    }
    if (!headed)
        return std::nullopt;
    return b;
}

QByteArray format_backup(const Backup& backup, const QString& moduleName)
{
    QString text = kKopf;
    if (!moduleName.isEmpty())
        text += QStringLiteral(": ") + moduleName;
    text += kCrLf;
    text += kArtikelnummer + u'=' + QString::number(backup.article) + kCrLf;
    if (backup.address >= 0)
        text += kAdresse + u'=' + QString::number(backup.address) + kCrLf;
    for (auto it = backup.values.cbegin(); it != backup.values.cend(); ++it)
        text += QStringLiteral("%1=%2").arg(it.key()).arg(it.value()) + kCrLf;
    return text.toUtf8();
}

Definition parse_definition(const QByteArray& bytes)
{
    Definition d;
    for (const Line& l : lines_of(bytes)) {
        if (is(l.key, kName)) {
            d.name = l.value;
            continue;
        }
        const auto lncv = number_in(l.key, 0, MaxField);
        if (!lncv)
            continue;
        // Name; then a range and "nur lesen" in any order.
        const QStringList items = l.value.split(u';');
        LncvInfo info;
        info.name = items.first().trimmed();
        for (qsizetype i = 1; i < items.size(); ++i) {
            const QString item = items[i].trimmed();
            if (is(item, kNurLesen))
                info.readOnly = true;
            else
                take_range(item, info);
        }
        d.lncvs[*lncv] = info;
    }
    return d;
}

QString definition_path(const DataDir& data, int article)
{
    const QString name = QString::number(article) + QStringLiteral(".txt");
    for (const QString& dir : {data.path(), data.installed()}) {
        if (dir.isEmpty())
            continue;
        const QString folder = entry(dir, kFolder);
        if (const QString file = folder.isEmpty() ? QString() : entry(folder, name);
            !file.isEmpty())
            return file;
    }
    return {};
}

} // namespace lncvfile
