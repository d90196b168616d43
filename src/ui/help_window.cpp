#include "help_window.h"

#include "application/application.h"
#include "core/shell.h"

#include <QListWidget>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {
const QString kTitle = QStringLiteral("Hilfe");
const QString kHelpFile = QStringLiteral("Hilfe.txt");
} // namespace

HelpWindow::HelpWindow(Application& core, QWidget* parent)
    : QWidget(parent, Qt::Window), core_(core), HlpTxt(new QListWidget)
{
    setObjectName(QStringLiteral("Hilfe"));
    setWindowTitle(kTitle);
    HlpTxt->setObjectName(QStringLiteral("HlpTxt"));
    HlpTxt->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(HlpTxt);
    resize(640, 480);
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
    HlpTxt->addItems(read_help(core_.data.file(kHelpFile)));
}
