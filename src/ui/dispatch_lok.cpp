#include "dispatch_lok.h"

#include "small_window.h"

#include "application/application.h"
#include "core/number_text.h"

#include <QEvent>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString kTitle = QStringLiteral("FRED: Lok Dispatch");
const QString kLokadresse = QStringLiteral("Lokadresse:");
const QString kDispatch = QStringLiteral("Dispatch");
const QString kAdresseUngueltig = QStringLiteral("Bitte eine Lokadresse von 1 bis 9999 eingeben!");
} // namespace

DispatchLok::DispatchLok(Application& core, QWidget* parent)
    : QWidget(parent, Qt::Window), core_(core), LokadrTxt(number_edit("LokadrTxt", 4)),
      DispBut(new QPushButton(kDispatch))
{
    setObjectName(QStringLiteral("DispatchLok"));
    setWindowTitle(kTitle);
    DispBut->setObjectName(QStringLiteral("DispBut"));
    auto* form = new QFormLayout;
    form->addRow(kLokadresse, LokadrTxt);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(DispBut);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    fit_title(layout, kTitle);
    hide_on_escape(this);

    connect(LokadrTxt, &QLineEdit::textChanged, this, &DispatchLok::address_changed);
    connect(LokadrTxt, &QLineEdit::returnPressed, DispBut, &QPushButton::click);
    connect(DispBut, &QPushButton::clicked, this, &DispatchLok::dispatch_clicked);
    // However the request ends, the button is given back.
    connect(&core_.lokDispatch, &LocoDispatch::dispatch_ended, this, [this] {
        running_ = false;
        DispBut->setEnabled(is_number_text(LokadrTxt->text()));
    });
    DispBut->setEnabled(false);
}

void DispatchLok::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow() &&
        !LocoDispatch::address(LokadrTxt->text()))
        DispBut->setEnabled(false);
    QWidget::changeEvent(event);
}

void DispatchLok::address_changed()
{
    // Only a text that is no number is red and disables the button; a
    // number out of range leaves it, and the button refuses it with a box.
    const QString text = LokadrTxt->text();
    const bool number = is_number_text(text);
    show_valid(LokadrTxt, number);
    if (!number)
        DispBut->setEnabled(false);
    else if (LocoDispatch::address(text))
        DispBut->setEnabled(!running_);
}

void DispatchLok::dispatch_clicked()
{
    const auto adr = LocoDispatch::address(LokadrTxt->text());
    if (!adr) {
        core_.msgs.show(titles::Fehler, kAdresseUngueltig, MsgIcon::Warning);
        return;
    }
    if (!core_.lokDispatch.dispatch(*adr))
        return;
    running_ = true;
    DispBut->setEnabled(false);
}
