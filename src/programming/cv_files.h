#pragma once
// The decoder files as bytes: CV files (*.CV), CV list files (*.LST) and
// the manufacturer list. Parsing never fails on a bad line: it is skipped.
// Lines end with CR LF; text is read as UTF-8 or, when it is not valid
// UTF-8, as Latin-1 (files written on older systems).

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <optional>
#include <utility>

namespace cvfile {

// One decoder's values and the list file that belongs to it.
struct CvFile {
    std::optional<QString> listFile;   // unset: line 2 was empty
    QList<std::pair<int, int>> values; // CV 1..1024, value 0..255
};
// Unset when line 1 is not CV-Datei.
std::optional<CvFile> parse_cv(const QByteArray& bytes);
// Known values only (256 = unknown is left out); an unset list file gives an empty line 2.
QByteArray format_cv(const std::array<int, 1025>& values, const std::optional<QString>& listFile);

struct ListFile {
    QString name;
    QList<std::pair<QString, QString>> rows; // CV number text, explanation
};
// Unset when line 1 is not LST-Datei. Rows whose CV is not 1..1023 are skipped.
std::optional<ListFile> parse_list(const QByteArray& bytes);
QByteArray format_list(const ListFile& list);

// "id: name" lines into names[id] for ids 0..256; other lines are skipped.
void parse_manufacturers(const QByteArray& bytes, std::array<QString, 257>& names);

// The first item of a line: leading blanks skipped, enclosing quotes
// removed, ended by a comma; *rest gets what follows that comma.
QString first_item(QStringView line, QStringView* rest = nullptr);
// The last item of a line: like first_item, but a quoted item runs to the
// last quote of the line, so commas and quotes inside it survive.
QString last_item(QStringView line);

QString decode(const QByteArray& bytes);
// Latin-1 while every character fits (what older readers expect), else UTF-8.
QByteArray encode(const QString& text);

} // namespace cvfile
