#include "lokeinst.h"

#include "mainwin.h"
#include "small_window.h"

#include "application/application.h"
#include "core/number_text.h"

#include <QComboBox>
#include <QDialogButtonBox>
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
const QString kAdresseUngueltig = QStringLiteral("Bitte eine Lokadresse von 1 bis 16383 eingeben!");
} // namespace

Lokeinst::Lokeinst(Application& core, QWidget* parent)
    : QWidget(parent, Qt::Window), core_(core), LokadrTxt(number_edit("LokadrTxt", 5)),
      LokdatenfCO(new QComboBox)
{
    setObjectName(QStringLiteral("Lokeinst"));
    setWindowTitle(kTitle);
    LokdatenfCO->setObjectName(QStringLiteral("LokdatenfCO"));
    LokdatenfCO->addItems(kFormats);
    LokdatenfCO->setCurrentIndex(LocoSettings::NoEntry);

    auto* form = new QFormLayout;
    form->addRow(kLokadresse, LokadrTxt);
    auto* frame = new QGroupBox(kFrame);
    auto* inFrame = new QVBoxLayout(frame);
    inFrame->addWidget(LokdatenfCO);

    auto* buttons = new QDialogButtonBox;
    auto* ok = buttons->addButton(kUebernehmen, QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("SetModeBut"));
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
    connect(LokadrTxt, &QLineEdit::returnPressed, ok, &QPushButton::click);
    connect(ok, &QPushButton::clicked, this, &Lokeinst::set_mode);
    connect(cancel, &QPushButton::clicked, this, &QWidget::hide);
    connect(&core_.lokSettings, &LocoSettings::format_read, LokdatenfCO,
            &QComboBox::setCurrentIndex);
}

void Lokeinst::open()
{
    MainWin::show_window(this);
    read_format();
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
    show_valid(LokadrTxt, number_text_in(LokadrTxt->text(), 1, LocoSettings::MaxAddress));
    read_format();
}

void Lokeinst::read_format()
{
    if (const auto adr = LocoSettings::address(LokadrTxt->text()))
        core_.lokSettings.read(*adr);
}

void Lokeinst::set_mode()
{
    const auto adr = LocoSettings::address(LokadrTxt->text());
    if (!adr) {
        core_.msgs.show(titles::Fehler, kAdresseUngueltig, MsgIcon::Warning);
        return;
    }
    core_.lokSettings.write(*adr, LokdatenfCO->currentIndex());
}
