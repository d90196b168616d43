#include "file_dialog.h"

#include <QDateTime>
#include <QFileDialog>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLocale>
#include <QTreeView>

void ask_file(QWidget* parent, bool save, const QString& title, const QString& filter,
              const QString& suffix, const QString& start,
              std::function<void(const QString&)> chosen)
{
    auto* d = new QFileDialog(parent, title, QString(), filter);
    d->setObjectName(save ? QStringLiteral("SaveDialog") : QStringLiteral("OpenDialog"));
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    d->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    d->setDefaultSuffix(suffix);
    if (!start.isEmpty())
        d->selectFile(start);
    // Wide enough for the list's columns, and the date column for a date:
    // its default width cuts it short.
    const QFontMetrics fm = d->fontMetrics();
    d->resize(d->sizeHint().expandedTo(QSize(fm.averageCharWidth() * 120, fm.height() * 28)));
    if (auto* list = d->findChild<QTreeView*>(QStringLiteral("treeView"))) {
        const QString date =
            QLocale::system().toString(QDateTime::currentDateTime(), QLocale::ShortFormat);
        list->header()->resizeSection(3, fm.horizontalAdvance(date) + fm.averageCharWidth() * 4);
    }
    QObject::connect(d, &QFileDialog::fileSelected, parent, std::move(chosen));
    d->open();
}
