#include "help_window.h"

#include "small_window.h"

#include "application/application.h"
#include "core/shell.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {
const QString kTitle = QStringLiteral("Hilfe");
const QString kHelpFile = QStringLiteral("Hilfe.txt");
const QString kNichtGefunden = QStringLiteral("Die Hilfedatei %1 wurde nicht gefunden.");
} // namespace

HelpWindow::HelpWindow(Application& core, QWidget* parent)
    // A dialog of the main window: the window manager keeps it over it.
    : QWidget(parent, Qt::Dialog), core_(core), HlpTxt(new QListWidget)
{
    setObjectName(QStringLiteral("Hilfe"));
    setWindowTitle(kTitle);
    HlpTxt->setObjectName(QStringLiteral("HlpTxt"));
    HlpTxt->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(HlpTxt);
    resize(640, 480);
    hide_on_escape(this);
}

void HelpWindow::showEvent(QShowEvent* event)
{
    // Read each time it is opened, so an edited help file shows at once.
    if (!event->spontaneous())
        fill();
    QWidget::showEvent(event);
}

void HelpWindow::fill()
{
    HlpTxt->clear();
    const QString path = core_.data.file(kHelpFile);
    if (!QFile::exists(path))
        HlpTxt->addItem(kNichtGefunden.arg(QDir::toNativeSeparators(path)));
    else
        HlpTxt->addItems(read_help(path));
}
