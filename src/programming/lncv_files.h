#pragma once
// The LocoNet module files as bytes: a module's backup (*.lncv) and the
// definition of an article's LNCVs (LNCV/<article>.txt). Both are
// "key=value" text, CR LF, "#" starting a comment; reading skips a line it
// cannot use and never gives a number outside 0..65535.

#include <QByteArray>
#include <QMap>
#include <QString>
#include <optional>

class DataDir;

namespace lncvfile {

// LNCV numbers and values are 16 bits wide.
constexpr int MaxField = 65535;
// Files larger than this are no module files.
constexpr qint64 MaxFileSize = 1 << 20;

// What a module held: its article number as printed, its address and the
// LNCVs that answered.
struct Backup {
    int article = 0;
    int address = -1; // -1: the file names none
    QMap<int, int> values;
};
// Unset when no line names the article number: not a backup.
std::optional<Backup> parse_backup(const QByteArray& bytes);
QByteArray format_backup(const Backup& backup, const QString& moduleName = {});

struct LncvInfo {
    QString name;
    int min = 0, max = MaxField;
    bool readOnly = false;
};
// A module's name and its LNCVs, by number.
struct Definition {
    QString name;
    QMap<int, LncvInfo> lncvs;
};
Definition parse_definition(const QByteArray& bytes);

// The definition file of an article: LNCV/<article>.txt (any case) in the
// data folder, else in the installation's; empty when neither has one.
QString definition_path(const DataDir& data, int article);

} // namespace lncvfile
