#include "grundeinst.h"

#include "mainwin.h"
#include "small_window.h"

#include "application/application.h"
#include "core/number_text.h"
#include "station/base_settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <limits>

namespace {
const QString kTitle = QStringLiteral("Grundeinstellungen");
const QString kLokFrame = QStringLiteral("Lokdatenformat");
const QString kMagFrame = QStringLiteral("Magnetartikeldatenformat");
const QStringList kLokFormats = {
    QStringLiteral("Motorola alt"), QStringLiteral("Motorola neu"), QStringLiteral("DCC 14"),
    QStringLiteral("DCC 28"),       QStringLiteral("DCC 128"),
};
const QStringList kMagFormats = {QStringLiteral("Motorola"), QStringLiteral("DCC")};
const std::array<QString, 2> kMagZeit = {
    QStringLiteral("min. Einschaltzeit Magnetartikel (ms):"),
    QStringLiteral("max. Einschaltzeit Magnetartikel (ms):"),
};
const QString kMagPak = QStringLiteral("DCC: Anzahl der gesendeten Mag.-Pakete pro Befehl:");
const QString kStopMode =
    QStringLiteral("Beim Einschalten Gerät im den Zustand \"STOP\" versetzen");
const QString kUebernehmen = QStringLiteral("Einstellungen übernehmen");
const QString kAbbruch = QStringLiteral("abbrechen");
const QString kUngueltig = QStringLiteral("Ungültige Eingabe: %1");
const QString kMaxPackets = QStringLiteral("255");
const QString kWirdGelesen =
    QStringLiteral("Bitte warten, bis die Grundeinstellungen gelesen sind.");
const QString kNichtGelesen =
    QStringLiteral("Die Grundeinstellungen wurden nicht gelesen: bitte das Fenster erneut öffnen.");
// Optional digits, as many as the values need: 255 x 50 ms has five.
const QString kTimeMask = QStringLiteral("00000");
const QString kPacketMask = QStringLiteral("000");

QComboBox* combo(const char* name, const QStringList& entries)
{
    auto* c = new QComboBox;
    c->setObjectName(QLatin1String(name));
    c->addItems(entries);
    c->setCurrentIndex(-1);
    return c;
}

QGroupBox* framed(const QString& caption, QWidget* content)
{
    auto* frame = new QGroupBox(caption);
    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(content);
    return frame;
}
} // namespace

Grundeinst::Grundeinst(Application& core, QWidget* parent)
    : QWidget(parent, Qt::Window), core_(core), LokdatenfCO(combo("LokdatenfCO", kLokFormats)),
      MagdatenfCO(combo("MagdatenfCO", kMagFormats)), MagZeitTxt{number_edit("MagZeitTxt_0", 5),
                                                                 number_edit("MagZeitTxt_1", 5)},
      MagPakTxt(number_edit("MagPakTxt", 3)), StopModeChk(new QCheckBox(kStopMode))
{
    setObjectName(QStringLiteral("Grundeinst"));
    setWindowTitle(kTitle);
    StopModeChk->setObjectName(QStringLiteral("StopModeChk"));
    for (QLineEdit* t : MagZeitTxt)
        t->setInputMask(kTimeMask);
    MagPakTxt->setInputMask(kPacketMask);

    auto* formats = new QHBoxLayout;
    formats->addWidget(framed(kLokFrame, LokdatenfCO));
    formats->addWidget(framed(kMagFrame, MagdatenfCO));
    auto* form = new QFormLayout;
    for (int i = 0; i < 2; ++i)
        form->addRow(kMagZeit[size_t(i)], MagZeitTxt[size_t(i)]);
    form->addRow(kMagPak, MagPakTxt);

    auto* buttons = new QDialogButtonBox;
    auto* ok = buttons->addButton(kUebernehmen, QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("SetModesBut"));
    auto* cancel = buttons->addButton(kAbbruch, QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("AbbruchBut"));
    connect(ok, &QPushButton::clicked, this, &Grundeinst::accept_settings);
    connect(cancel, &QPushButton::clicked, this, &QWidget::hide);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(formats);
    layout->addLayout(form);
    layout->addWidget(StopModeChk);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    fit_title(layout, kTitle);
    hide_on_escape(this);

    for (int i = 0; i < 2; ++i) {
        connect(MagZeitTxt[size_t(i)], &QLineEdit::textChanged, this,
                [this, i] { mag_zeit_changed(i); });
        connect(MagZeitTxt[size_t(i)], &QLineEdit::returnPressed, ok, &QPushButton::click);
    }
    connect(MagPakTxt, &QLineEdit::textChanged, this, &Grundeinst::mag_pak_changed);
    connect(MagPakTxt, &QLineEdit::returnPressed, ok, &QPushButton::click);
    connect(&core_.options, &SonderOptions::list_read, this, &Grundeinst::show_base_settings);
}

void Grundeinst::open()
{
    // Until the read has answered, the window shows nothing: what it showed
    // before may no longer be the station's.
    read_ = std::nullopt;
    LokdatenfCO->setCurrentIndex(-1);
    MagdatenfCO->setCurrentIndex(-1);
    for (QLineEdit* t : {MagZeitTxt[0], MagZeitTxt[1], MagPakTxt})
        t->clear();
    StopModeChk->setChecked(false);
    core_.options.read_list(base_settings::Options); // refused: quietly nothing is read
    MainWin::show_window(this);
}

base_settings::Shown Grundeinst::shown() const
{
    base_settings::Shown s;
    s.lokFormat = LokdatenfCO->currentIndex();
    s.magFormat = MagdatenfCO->currentIndex();
    s.minTime = MagZeitTxt[0]->text();
    s.maxTime = MagZeitTxt[1]->text();
    s.packets = MagPakTxt->text();
    s.stopAtSwitchOn = StopModeChk->isChecked();
    return s;
}

void Grundeinst::show_base_settings()
{
    base_settings::Values v{};
    std::copy_n(core_.options.SOValues.begin(), v.size(), v.begin());
    read_ = v;
    base_settings::Shown s = shown();
    base_settings::show(v, s);
    LokdatenfCO->setCurrentIndex(s.lokFormat);
    MagdatenfCO->setCurrentIndex(s.magFormat);
    MagZeitTxt[0]->setText(s.minTime);
    MagZeitTxt[1]->setText(s.maxTime);
    MagPakTxt->setText(s.packets);
    StopModeChk->setChecked(s.stopAtSwitchOn);
}

void Grundeinst::mag_zeit_changed(int index)
{
    QLineEdit* t = MagZeitTxt[size_t(index)];
    show_valid(t, is_number_text(t->text()));
}

void Grundeinst::mag_pak_changed()
{
    show_valid(MagPakTxt, is_number_text(MagPakTxt->text()));
    if (number_in(MagPakTxt->text(), base_settings::MaxPackets + 1,
                  std::numeric_limits<int>::max()))
        MagPakTxt->setText(kMaxPackets);
}

void Grundeinst::accept_settings()
{
    // A list whose option was not read must not write a default over it.
    if (!read_) {
        core_.msgs.show(titles::Fehler, core_.options.reading_list() ? kWirdGelesen : kNichtGelesen,
                        MsgIcon::Warning);
        return;
    }
    base_settings::Field bad = base_settings::MinTime;
    const auto values = base_settings::values(shown(), *read_, &bad);
    if (!values) {
        const QString& caption = bad == base_settings::Packets   ? kMagPak
                                 : bad == base_settings::MaxTime ? kMagZeit[1]
                                                                 : kMagZeit[0];
        core_.msgs.show(titles::Fehler, kUngueltig.arg(caption), MsgIcon::Warning);
        return;
    }
    // Refused (not connected, another job must finish): the window stays open.
    if (core_.options.write_list(base_settings::Options,
                                 QList<int>(values->begin(), values->end())))
        hide();
}
