#include "ln_prog.h"

#include "mainwin.h"
#include "small_window.h"

#include "application/application.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString kTitle = QStringLiteral("LocoNet Module programmieren");
const QString kArtikelnummer = QStringLiteral("Artikelnummer:");
const QString kModulAdresse = QStringLiteral("Modul Adresse:");
const QString kProgrammierung = QStringLiteral("Programmierung:");
const QString kStarten = QStringLiteral("starten");
const QString kBeenden = QStringLiteral("beenden");
const QString kLncv = QStringLiteral("LNCV");
const QString kNr = QStringLiteral("Nr.");
const QString kWert = QStringLiteral("Wert");
const QString kLesen = QStringLiteral("Lesen");
const QString kProgrammieren = QStringLiteral("Programmieren");

} // namespace

LNProg::LNProg(Application& core, QWidget* parent)
    : QWidget(parent, Qt::Dialog), core_(core), LNArtNrTxt(number_edit("LNArtNrTxt", 6)),
      LNModAdrTxt(number_edit("LNModAdrTxt", 5)), LNCV_NR_TXT(number_edit("LNCV_NR_TXT", 5)),
      LNCV_VAL_TXT(number_edit("LNCV_VAL_TXT", 5)), StartBut(named_button("StartBut", kStarten)),
      EndBut(named_button("EndBut", kBeenden)), Rd_lncvBut(named_button("Rd_lncvBut", kLesen)),
      WR_lncvBut(named_button("WR_lncvBut", kProgrammieren))
{
    setObjectName(QStringLiteral("LNProg"));
    setWindowTitle(kTitle);

    auto* module = new QFormLayout;
    module->addRow(kArtikelnummer, LNArtNrTxt);
    module->addRow(kModulAdresse, LNModAdrTxt);

    auto* mode = new QGroupBox(kProgrammierung);
    auto* modeRow = new QHBoxLayout(mode);
    modeRow->addWidget(StartBut);
    modeRow->addWidget(EndBut);

    auto* lncv = new QGroupBox(kLncv);
    auto* grid = new QGridLayout(lncv);
    grid->addWidget(new QLabel(kNr), 0, 0);
    grid->addWidget(new QLabel(kWert), 0, 1);
    grid->addWidget(LNCV_NR_TXT, 1, 0);
    grid->addWidget(LNCV_VAL_TXT, 1, 1);
    grid->addWidget(Rd_lncvBut, 2, 0);
    grid->addWidget(WR_lncvBut, 2, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(module);
    layout->addWidget(mode);
    layout->addWidget(lncv);
    layout->addStretch();
    fit_title(layout, kTitle);
    hide_on_escape(this);

    colour_as_typed(LNArtNrTxt, LncvProg::MaxArticle);
    for (QLineEdit* e : {LNModAdrTxt, LNCV_NR_TXT, LNCV_VAL_TXT})
        colour_as_typed(e, LncvProg::MaxField);
    // Enter acts as the field's button; a disabled button ignores it.
    connect(LNArtNrTxt, &QLineEdit::returnPressed, StartBut, &QPushButton::click);
    connect(LNModAdrTxt, &QLineEdit::returnPressed, StartBut, &QPushButton::click);
    connect(LNCV_NR_TXT, &QLineEdit::returnPressed, Rd_lncvBut, &QPushButton::click);
    connect(LNCV_VAL_TXT, &QLineEdit::returnPressed, WR_lncvBut, &QPushButton::click);

    connect(StartBut, &QPushButton::clicked, this, &LNProg::start_clicked);
    connect(EndBut, &QPushButton::clicked, this, &LNProg::end_clicked);
    connect(Rd_lncvBut, &QPushButton::clicked, this, &LNProg::read_clicked);
    connect(WR_lncvBut, &QPushButton::clicked, this, &LNProg::write_clicked);
    connect(&core_.lncv, &LncvProg::answer_shown, this, [this](int nr, int value) {
        LNCV_NR_TXT->setText(QString::number(nr));
        LNCV_VAL_TXT->setText(QString::number(value));
    });
    connect(&core_.lncv, &LncvProg::programming_started, this, [this](int address) {
        LNModAdrTxt->setText(QString::number(address));
        set_programming(true);
    });
    set_programming(false);
}

void LNProg::open()
{
    // Closing sent no end to the module; the window starts afresh all the same.
    if (!isVisible()) {
        core_.lncv.window_loaded();
        const LncvProg& l = core_.lncv;
        LNArtNrTxt->setText(l.article_text());
        LNModAdrTxt->setText(l.LncvModAdr != 0 ? QString::number(l.LncvModAdr) : QString());
        LNCV_NR_TXT->clear();
        LNCV_VAL_TXT->clear();
        set_programming(false);
        LNArtNrTxt->setFocus();
    }
    MainWin::show_window(this);
}

void LNProg::set_programming(bool on)
{
    StartBut->setEnabled(!on);
    EndBut->setEnabled(on);
    Rd_lncvBut->setEnabled(on);
    WR_lncvBut->setEnabled(on);
}

void LNProg::start_clicked()
{
    core_.lncv.start(LNArtNrTxt->text(), LNModAdrTxt->text());
}

void LNProg::end_clicked()
{
    // Refused, the module is still in programming mode: the buttons stay.
    if (!core_.lncv.end())
        return;
    set_programming(false);
    StartBut->setFocus();
}

void LNProg::read_clicked()
{
    core_.lncv.read(LNArtNrTxt->text(), LNCV_NR_TXT->text());
}

void LNProg::write_clicked()
{
    // LNCV 0 is the module address: the field follows at once, so that the
    // next start finds the module under its new address.
    if (core_.lncv.write(LNArtNrTxt->text(), LNCV_NR_TXT->text(), LNCV_VAL_TXT->text()) &&
        core_.lncv.LncvNr == 0)
        LNModAdrTxt->setText(LNCV_VAL_TXT->text());
}
