#include "version_window.h"

#include "application/application.h"

#include <QEvent>
#include <QFormLayout>
#include <QLabel>

namespace {
const QString kTitle = QStringLiteral("Serienummer und Software-Version");
const QString kSerial = QStringLiteral("Seriennummer:");
const QString kVersion = QStringLiteral("Software-Version:");
constexpr int JobVersion = 47;

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
    : QWidget(parent, Qt::Window), core_(core), SeriLbl(value_label("SeriLbl")),
      VersionLbl(value_label("VersionLbl"))
{
    setObjectName(QStringLiteral("Version"));
    setWindowTitle(kTitle);
    auto* form = new QFormLayout(this);
    form->addRow(kSerial, SeriLbl);
    form->addRow(kVersion, VersionLbl);
    form->setSizeConstraint(QLayout::SetFixedSize);
    connect(&core_.identify, &Identify::version_shown, this, &VersionWindow::show_version);
}

bool VersionWindow::event(QEvent* event)
{
    // Posting twice before the engine's next turn is harmless: the job
    // simply starts at step 0.
    if (event->type() == QEvent::Show || event->type() == QEvent::WindowActivate)
        core_.req.post(JobVersion);
    return QWidget::event(event);
}

void VersionWindow::show_version(const QString& serial, const QString& version)
{
    SeriLbl->setText(serial);
    VersionLbl->setText(version);
}
