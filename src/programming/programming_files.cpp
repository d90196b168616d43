// The programming subsystem's files: CV file, CV list file and the
// manufacturer list, read and written for the programming window.

#include "core/datadir.h"
#include "core/messages.h"
#include "cv_files.h"
#include "cv_table.h"
#include "file_texts.h"
#include "programming.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {
const QString& kDateifehler = filetexts::Dateifehler;
const QString kFalschesFormat = QStringLiteral("Falsches Dateiformat!");
const QString kNichtGelesen = QStringLiteral("Die Datei %1 kann nicht gelesen werden:\n%2");
const QString& kNichtGeschrieben = filetexts::NichtGeschrieben;
const QString kNichtUeberschrieben =
    QStringLiteral("Die Datei %1 konnte nicht gelesen werden und wird nicht überschrieben. "
                   "Zum Speichern bitte \"Speichern unter\" wählen.");
const QString kHersteller = QStringLiteral("Hersteller.dat");

std::optional<QByteArray> read_file(const QString& path, QString* error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = f.errorString();
        return std::nullopt;
    }
    return f.readAll();
}

bool write_file(const QString& path, const QByteArray& bytes, QString* error)
{
    QSaveFile f(path);
    if (f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.commit())
        return true;
    *error = f.errorString();
    return false;
}

// A list file named without a folder lies beside the CV file; one named
// with a folder that does not exist here (a file brought from another
// computer) is looked for beside the CV file too.
QString list_file_beside(const QString& listFile, const QString& cvFile)
{
    const QString dir = QFileInfo(cvFile).absolutePath() + QLatin1Char('/');
    const qsizetype sep = std::max(listFile.lastIndexOf(u'/'), listFile.lastIndexOf(u'\\'));
    if (sep < 0)
        return dir + listFile;
    if (QFileInfo::exists(listFile))
        return listFile;
    const QString beside = dir + listFile.mid(sep + 1);
    return QFileInfo::exists(beside) ? beside : listFile;
}
} // namespace

bool Programming::save_cv()
{
    if (CvFileUnread) {
        s_.msgs.show(kDateifehler, kNichtUeberschrieben.arg(CvFileName), MsgIcon::Warning);
        return false;
    }
    QString error;
    if (write_file(CvFileName, cvfile::format_cv(CvValue, ListFileName), &error))
        return true;
    s_.msgs.show(kDateifehler, kNichtGeschrieben.arg(CvFileName, error));
    return false;
}

// A name chosen in the save dialog: the user has decided about that file.
bool Programming::save_cv_as(const QString& name)
{
    CvFileName = name;
    CvFileUnread = false;
    return save_cv();
}

bool Programming::load_cv(CvTable& table)
{
    QString error;
    CvFileUnread = true;
    const auto bytes = read_file(CvFileName, &error);
    if (!bytes) {
        s_.msgs.show(kDateifehler, kNichtGelesen.arg(CvFileName, error));
        return false;
    }
    forget_values();
    const auto file = cvfile::parse_cv(*bytes);
    if (!file) {
        s_.msgs.show(kDateifehler, kFalschesFormat);
        return false;
    }
    CvFileUnread = false;
    for (const auto& [cv, v] : file->values)
        set_value(cv, v);
    ListFileName = file->listFile;
    // Without a list file the table stays as it is.
    if (!ListFileName || ListFileName->isEmpty())
        return true;
    ListFileName = list_file_beside(*ListFileName, CvFileName);
    load_cvtab(table);
    return true;
}

bool Programming::save_cvtab(const CvTable& table)
{
    if (!ListFileName)
        return false;
    cvfile::ListFile list{table.name(), {}};
    for (int row = 0; row < table.rowCount(); ++row)
        list.rows.append({table.cell(row, CvTable::ColCv), table.cell(row, CvTable::ColText)});
    QString error;
    if (write_file(*ListFileName, cvfile::format_list(list), &error))
        return true;
    s_.msgs.show(kDateifehler, kNichtGeschrieben.arg(*ListFileName, error));
    return false;
}

bool Programming::load_cvtab(CvTable& table)
{
    QString error;
    const auto bytes = ListFileName ? read_file(*ListFileName, &error) : std::nullopt;
    if (!bytes)
        return false; // the table stays as it was
    const auto list = cvfile::parse_list(*bytes);
    if (!list) {
        s_.msgs.show(kDateifehler, kFalschesFormat);
        return false;
    }
    table.set_name(list->name);
    table.set_rows(list->rows);
    return true;
}

void Programming::load_manufacturers()
{
    QString error;
    if (const auto bytes = read_file(s_.data.file(kHersteller), &error))
        cvfile::parse_manufacturers(*bytes, HerstellerName);
}
