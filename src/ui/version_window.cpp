#include "version_window.h"

#include "small_window.h"

#include "application/application.h"

#include <QFormLayout>
#include <QLabel>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {
const QString kTitle = QStringLiteral("Serienummer und Software-Version");
const QString kSerial = QStringLiteral("Seriennummer:");
const QString kVersion = QStringLiteral("Software-Version:");

QLabel* value_label(const char* name)
{
    auto* l = new QLabel;
    l->setObjectName(QString::fromLatin1(name));
    l->setMinimumWidth(110);
    l->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}
} // namespace

VersionWindow::VersionWindow(Application& core, QWidget* parent)
    // A dialog of the main window: the window manager keeps it over it.
    : QWidget(parent, Qt::Dialog), core_(core), SeriLbl(value_label("SeriLbl")),
      VersionLbl(value_label("VersionLbl"))
{
    setObjectName(QStringLiteral("Version"));
    setWindowTitle(kTitle);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->addRow(kSerial, SeriLbl);
    form->addRow(kVersion, VersionLbl);
    layout->addLayout(form);
    fit_title(layout, kTitle);
    hide_on_escape(this);
    connect(&core_.identify, &Identify::version_shown, this, &VersionWindow::show_version);
}

void VersionWindow::showEvent(QShowEvent* event)
{
    // Opened, not merely brought to the front again. When it cannot be
    // asked now, quietly nothing is shown rather than what an earlier
    // answer said.
    if (!event->spontaneous()) {
        if (!core_.identify.ask_version())
            show_version({}, {});
    }
    QWidget::showEvent(event);
}

void VersionWindow::show_version(const QString& serial, const QString& version)
{
    SeriLbl->setText(serial);
    VersionLbl->setText(version);
}
