#include "cv_files.h"

#include <QStringConverter>
#include <cmath>

namespace cvfile {

namespace {
const QString kCvDatei = QStringLiteral("CV-Datei");
const QString kLstDatei = QStringLiteral("LST-Datei");
const QString kCrLf = QStringLiteral("\r\n");

QStringView skip_blanks(QStringView s)
{
    while (!s.isEmpty() && (s.front() == u' ' || s.front() == u'\t'))
        s = s.mid(1);
    return s;
}

QList<QStringView> lines_of(const QString& text)
{
    QList<QStringView> lines;
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        lines.append(line);
    }
    // A final line end leaves no line of its own.
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

// A file of its kind starts with its name as the first item.
bool headed(const QList<QStringView>& lines, const QString& name)
{
    return !lines.isEmpty() && last_item(lines[0]) == name;
}

QString quoted(const QString& s)
{
    return QLatin1Char('"') + s + QLatin1Char('"');
}

// A number item as it is read: decimal, possibly with a fraction, rounded.
std::optional<int> number_item(const QString& item)
{
    bool ok = false;
    const double d = item.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(d) || std::abs(d) > 1e6)
        return std::nullopt;
    return int(std::lround(d));
}
} // namespace

QString first_item(QStringView line, QStringView* rest)
{
    line = skip_blanks(line);
    QString item;
    qsizetype end;
    if (line.startsWith(u'"')) {
        const qsizetype close = line.indexOf(u'"', 1);
        item = (close < 0 ? line.mid(1) : line.mid(1, close - 1)).toString();
        end = close < 0 ? line.size() : line.indexOf(u',', close);
    } else {
        end = line.indexOf(u',');
        item = line.left(end < 0 ? line.size() : end).trimmed().toString();
    }
    if (rest)
        *rest = end < 0 ? QStringView() : line.mid(end + 1);
    return item;
}

QString last_item(QStringView line)
{
    line = skip_blanks(line);
    const qsizetype close = line.lastIndexOf(u'"');
    if (line.startsWith(u'"') && close > 0)
        return line.mid(1, close - 1).toString();
    return first_item(line);
}

static std::optional<QString> from_utf8(const QByteArray& bytes)
{
    auto utf8 = QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError())
        return std::nullopt;
    return text;
}

QString decode(const QByteArray& bytes)
{
    return from_utf8(bytes).value_or(QString::fromLatin1(bytes));
}

QByteArray encode(const QString& text)
{
    for (QChar c : text)
        if (c.unicode() > 0xFF)
            return text.toUtf8();
    // Latin-1 bytes that happen to be valid UTF-8 would read back as other text.
    const QByteArray latin = text.toLatin1();
    return from_utf8(latin) ? text.toUtf8() : latin;
}

std::optional<CvFile> parse_cv(const QByteArray& bytes)
{
    const QString text = decode(bytes);
    const QList<QStringView> lines = lines_of(text);
    if (!headed(lines, kCvDatei))
        return std::nullopt;
    CvFile f;
    if (lines.size() > 1 && !lines[1].trimmed().isEmpty())
        f.listFile = last_item(lines[1]);
    for (qsizetype i = 2; i < lines.size(); ++i) {
        QStringView rest;
        const auto cv = number_item(first_item(lines[i], &rest));
        const auto value = number_item(first_item(rest));
        if (cv && value && *cv >= 1 && *cv <= 1024 && *value >= 0 && *value <= 255)
            f.values.append({*cv, *value});
    }
    return f;
}

QByteArray format_cv(const std::array<int, 1025>& values, const std::optional<QString>& listFile)
{
    QString text = quoted(kCvDatei) + kCrLf;
    text += (listFile ? quoted(*listFile) : QString()) + kCrLf;
    for (int cv = 1; cv <= 1024; ++cv)
        if (values[size_t(cv)] >= 0 && values[size_t(cv)] <= 255)
            text += QStringLiteral("%1,%2").arg(cv).arg(values[size_t(cv)]) + kCrLf;
    return encode(text);
}

std::optional<ListFile> parse_list(const QByteArray& bytes)
{
    const QString text = decode(bytes);
    const QList<QStringView> lines = lines_of(text);
    if (!headed(lines, kLstDatei))
        return std::nullopt;
    ListFile f;
    if (lines.size() > 1)
        f.name = last_item(lines[1]);
    for (qsizetype i = 2; i < lines.size(); ++i) {
        QStringView rest;
        const QString cv = first_item(lines[i], &rest);
        bool ok = false;
        const int n = cv.toInt(&ok);
        if (ok && n >= 1 && n <= 1023)
            f.rows.append({QString::number(n), last_item(rest)});
    }
    return f;
}

QByteArray format_list(const ListFile& list)
{
    // The name is printed as it stands unless a comma or a leading blank
    // would cut it when read back; explanations are always quoted.
    const bool quoteName =
        list.name.contains(u',') || list.name.startsWith(u' ') || list.name.startsWith(u'"');
    QString text = kLstDatei + kCrLf + (quoteName ? quoted(list.name) : list.name) + kCrLf;
    for (const auto& [cv, explanation] : list.rows)
        text += cv + QLatin1Char(',') + quoted(explanation) + kCrLf;
    return encode(text);
}

void parse_manufacturers(const QByteArray& bytes, std::array<QString, 257>& names)
{
    // Users extend this file with any editor: each line is decoded alone.
    for (const QByteArray& raw : bytes.split('\n')) {
        const QString text = decode(raw);
        QStringView line = text;
        if (line.endsWith(u'\r'))
            line.chop(1);
        const qsizetype colon = line.indexOf(u':');
        if (colon < 0)
            continue;
        bool ok = false;
        const int id = line.left(colon).trimmed().toInt(&ok);
        if (!ok || id < 0 || id > 256)
            continue;
        QStringView name = line.mid(colon + 1);
        if (name.startsWith(u' '))
            name = name.mid(1);
        names[size_t(id)] = name.toString();
    }
}

} // namespace cvfile
