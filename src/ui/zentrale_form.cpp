#include "zentrale_form.h"

#include "small_window.h"

#include "application/application.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
const QString kTitle = QStringLiteral("Auswahl der Zentrale");
const QString kFrame = QStringLiteral("Interface:");
const std::array<QString, 3> kOptions = {
    QStringLiteral("Zentrova 1 oder Duocenta"),
    QStringLiteral("Interface 70810"),
    QStringLiteral("Zentrova Basic oder Zentrova 2 oder Interface 70820"),
};
const QString kOk = QStringLiteral("OK");
const QString kCancel = QStringLiteral("Abbrechen");
} // namespace

ZentraleForm::ZentraleForm(Application& core, QWidget* parent)
    // A dialog of the main window: the window manager keeps it over it.
    : QWidget(parent, Qt::Dialog), core_(core)
{
    setObjectName(QStringLiteral("ZentraleForm"));
    setWindowTitle(kTitle);

    auto* frame = new QGroupBox(kFrame);
    auto* options = new QVBoxLayout(frame);
    for (int i = 0; i < int(Iopt.size()); ++i) {
        Iopt[i] = new QRadioButton(kOptions[i]);
        Iopt[i]->setObjectName(QStringLiteral("Iopt_%1").arg(i));
        options->addWidget(Iopt[i]);
    }

    auto* buttons = new QDialogButtonBox;
    auto* ok = buttons->addButton(kOk, QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    auto* cancel = buttons->addButton(kCancel, QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    connect(ok, &QPushButton::clicked, this, &ZentraleForm::accept_choice);
    connect(cancel, &QPushButton::clicked, this, &QWidget::hide);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(buttons);
    fit_title(layout, kTitle);
    hide_on_escape(this);
}

bool ZentraleForm::event(QEvent* event)
{
    if (event->type() == QEvent::Show || event->type() == QEvent::WindowActivate)
        select_current();
    return QWidget::event(event);
}

void ZentraleForm::select_current()
{
    const int i = core_.state.IfType - 1;
    if (i >= 0 && i < int(Iopt.size()))
        Iopt[i]->setChecked(true);
}

void ZentraleForm::accept_choice()
{
    for (int i = 0; i < int(Iopt.size()); ++i)
        if (Iopt[i]->isChecked())
            core_.state.set_interface(i + 1);
    hide();
}
