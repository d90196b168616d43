#include "file_dialog.h"

#include <QFileDialog>

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
    QObject::connect(d, &QFileDialog::fileSelected, parent, std::move(chosen));
    d->open();
}
