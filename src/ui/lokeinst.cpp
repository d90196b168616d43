#include "lokeinst.h"

#include "mainwin.h"
#include "small_window.h"

#include "application/application.h"
#include "core/number_text.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHideEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString kTitle = QStringLiteral("Lokdatenformat einzeln");
const QString kLokadresse = QStringLiteral("Lokadresse:");
const QString kFrame = QStringLiteral("Lokdatenformat");
const QStringList kFormats = {
    QStringLiteral("Motorola alt"), QStringLiteral("Motorola neu"), QStringLiteral("DCC - 14"),
    QStringLiteral("DCC - 28"),     QStringLiteral("DCC - 128"),    QStringLiteral("-"),
};
const QString kUebernehmen = QStringLiteral("Einstellung übernehmen");
const QString kAbbrechen = QStringLiteral("abbrechen");
} // namespace

Lokeinst::Lokeinst(Application& core, QWidget* parent)
    : QWidget(parent, Qt::Window), core_(core), LokadrTxt(number_edit("LokadrTxt", 5)),
      LokdatenfCO(new QComboBox)
{
    setObjectName(QStringLiteral("Lokeinst"));
    setWindowTitle(kTitle);
    LokdatenfCO->setObjectName(QStringLiteral("LokdatenfCO"));
    LokdatenfCO->addItems(kFormats);

    auto* form = new QFormLayout;
    form->addRow(kLokadresse, LokadrTxt);
    auto* frame = new QGroupBox(kFrame);
    auto* inFrame = new QVBoxLayout(frame);
    inFrame->addWidget(LokdatenfCO);

    auto* buttons = new QDialogButtonBox;
    SetModeBut = buttons->addButton(kUebernehmen, QDialogButtonBox::AcceptRole);
    SetModeBut->setObjectName(QStringLiteral("SetModeBut"));
    auto* cancel = buttons->addButton(kAbbrechen, QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("AbbruchBut"));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(frame);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    fit_title(layout, kTitle);
    hide_on_escape(this);

    connect(LokadrTxt, &QLineEdit::textChanged, this, &Lokeinst::address_changed);
    connect(LokadrTxt, &QLineEdit::returnPressed, SetModeBut, &QPushButton::click);
    connect(SetModeBut, &QPushButton::clicked, this, &Lokeinst::set_mode);
    connect(cancel, &QPushButton::clicked, this, &QWidget::hide);
    // "-" cannot be written: the button waits for a format to write.
    connect(LokdatenfCO, &QComboBox::currentIndexChanged, this,
            [this](int entry) { SetModeBut->setEnabled(LocoSettings::code_of_entry(entry) >= 0); });
    // The user's own choice is not overwritten by an answer still on its way.
    connect(LokdatenfCO, &QComboBox::activated, &core_.lokSettings, &LocoSettings::cancel);
    connect(&core_.lokSettings, &LocoSettings::format_read, this, &Lokeinst::show_format);
    LokdatenfCO->setCurrentIndex(LocoSettings::NoEntry);
}

void Lokeinst::open()
{
    MainWin::show_window(this);
}

void Lokeinst::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        read_format();
    QWidget::changeEvent(event);
}

void Lokeinst::hideEvent(QHideEvent* event)
{
    // Closed (not minimised): an answer arriving later leaves the list alone.
    if (!event->spontaneous())
        core_.lokSettings.cancel();
    QWidget::hideEvent(event);
}

void Lokeinst::address_changed()
{
    show_valid(LokadrTxt, is_number_text(LokadrTxt->text()));
    read_format();
}

void Lokeinst::read_format()
{
    // The list shows a format only for the address typed: until its answer
    // has come, "-", so another loco's format is never written to it. A read
    // that cannot run now leaves "-" without a box.
    LokdatenfCO->setCurrentIndex(LocoSettings::NoEntry);
    if (const auto adr = LocoSettings::address(LokadrTxt->text()))
        core_.lokSettings.read(*adr);
    else
        core_.lokSettings.cancel();
}

void Lokeinst::show_format(int adr, int entry)
{
    if (LocoSettings::address(LokadrTxt->text()) == adr)
        LokdatenfCO->setCurrentIndex(entry);
}

void Lokeinst::set_mode()
{
    const auto adr = LocoSettings::address(LokadrTxt->text());
    if (!adr) {
        core_.msgs.show(titles::Fehler, LocoSettings::AddressRefusal, MsgIcon::Warning);
        return;
    }
    core_.lokSettings.write(*adr, LokdatenfCO->currentIndex());
}
