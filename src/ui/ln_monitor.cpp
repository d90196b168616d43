#include "ln_monitor.h"

#include "file_dialog.h"
#include "small_window.h"

#include "core/messages.h"
#include "loconet/link.h"
#include "loconet/monitor_model.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

namespace {
const QString kTitel = QStringLiteral("LocoNet Monitor");
const QString kPause = QStringLiteral("Pause");
const QString kLeeren = QStringLiteral("Leeren");
const QString kSpeichern = QStringLiteral("Speichern…");
const QString kFilter = QStringLiteral("Filter:");
const QString kFilterHinweis = QStringLiteral("Text in Bytes oder Beschreibung");
const QString kOpcode = QStringLiteral("Opcode:");
const QString kOpcodeHinweis = QStringLiteral("z. B. B2");
const QString kZeilen = QStringLiteral("%1 von %2 Zeilen");
const QString kKeinOpcode = QStringLiteral("\"%1\" ist kein Opcode (80 bis FF)");
const QString kSpeichernTitel = QStringLiteral("Mitschnitt speichern");
const QString kMitschnitt = QStringLiteral("Mitschnitt (*.txt);;Alle Dateien (*)");
const QString kNichtGespeichert = QStringLiteral("%1 konnte nicht geschrieben werden: %2");
const QString kLaden = QStringLiteral("Laden…");
const QString kLadenTitel = QStringLiteral("Mitschnitt laden");
const QString kNichtGelesen = QStringLiteral("%1 konnte nicht gelesen werden: %2");
const QString kZeileUebersprungen =
    QStringLiteral("In %1 ist Zeile %2 keine LocoNet-Nachricht; sie wurde übersprungen.");
const QString kZeilenUebersprungen =
    QStringLiteral("In %1 sind %2 Zeilen keine LocoNet-Nachricht; sie wurden übersprungen (die "
                   "erste ist Zeile %3).");

template <class T> T* named(T* w, const char* name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}
} // namespace

LnMonitor::LnMonitor(Link& link, MessageService& msgs, QWidget* parent)
    : QWidget(parent, Qt::Window), link_(link), msgs_(msgs), model_(new MonitorModel(this)),
      filter_(new MonitorFilter(this))
{
    setObjectName(QStringLiteral("LnMonitor"));
    setWindowTitle(kTitel);
    filter_->setSourceModel(model_);

    MonitorView = named(new QTableView, "MonitorView");
    MonitorView->setModel(filter_);
    MonitorView->setSelectionBehavior(QAbstractItemView::SelectRows);
    MonitorView->setWordWrap(false);
    MonitorView->verticalHeader()->hide();
    // Fixed row heights: the view never measures the 100,000 rows.
    MonitorView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    MonitorView->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    MonitorView->horizontalHeader()->setStretchLastSection(true);
    const int digit = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    MonitorView->setColumnWidth(MonitorModel::Time, digit * 11);
    MonitorView->setColumnWidth(MonitorModel::Direction, digit * 9);
    MonitorView->setColumnWidth(MonitorModel::Bytes, digit * 44); // a 14-byte slot message

    PauseBut = named(new QPushButton(kPause), "PauseBut");
    PauseBut->setCheckable(true);
    ClearBut = named(new QPushButton(kLeeren), "ClearBut");
    SaveBut = named(new QPushButton(kSpeichern), "SaveBut");
    LoadBut = named(new QPushButton(kLaden), "LoadBut");
    FilterTxt = named(new QLineEdit, "FilterTxt");
    FilterTxt->setPlaceholderText(kFilterHinweis);
    OpcodeTxt = named(new QLineEdit, "OpcodeTxt");
    OpcodeTxt->setPlaceholderText(kOpcodeHinweis);
    OpcodeTxt->setMaximumWidth(digit * 12);
    StatusLbl = named(new QLabel, "StatusLbl");

    auto* filterLabel = new QLabel(kFilter);
    filterLabel->setBuddy(FilterTxt);
    auto* opcodeLabel = new QLabel(kOpcode);
    opcodeLabel->setBuddy(OpcodeTxt);
    auto* bar = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{
             PauseBut, ClearBut, SaveBut, LoadBut, filterLabel, FilterTxt, opcodeLabel, OpcodeTxt})
        bar->addWidget(w);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(MonitorView, 1);
    layout->addWidget(StatusLbl);

    connect(PauseBut, &QPushButton::toggled, model_, &MonitorModel::setPaused);
    connect(ClearBut, &QPushButton::clicked, model_, &MonitorModel::clear);
    connect(SaveBut, &QPushButton::clicked, this, &LnMonitor::save);
    connect(LoadBut, &QPushButton::clicked, this, [this] {
        ask_file(this, false, kLadenTitel, kMitschnitt, QStringLiteral("txt"), QString(),
                 [this](const QString& path) { load(path); });
    });
    connect(FilterTxt, &QLineEdit::textChanged, this, &LnMonitor::apply_filter);
    connect(OpcodeTxt, &QLineEdit::textChanged, this, &LnMonitor::apply_filter);
    connect(filter_, &QAbstractItemModel::rowsAboutToBeInserted, this, [this] {
        const QScrollBar* s = MonitorView->verticalScrollBar();
        follow_ = s->value() == s->maximum();
    });
    connect(filter_, &QAbstractItemModel::rowsInserted, this, [this] {
        if (follow_)
            MonitorView->scrollToBottom();
        show_count();
    });
    connect(filter_, &QAbstractItemModel::rowsRemoved, this, &LnMonitor::show_count);
    connect(filter_, &QAbstractItemModel::modelReset, this, &LnMonitor::show_count);
    show_count();
    resize(digit * 130, fontMetrics().height() * 32);
    hide_on_escape(this);
}

LnMonitor::~LnMonitor()
{
    link_.removeTap(model_);
}

void LnMonitor::showEvent(QShowEvent* event)
{
    link_.addTap(model_);
    QWidget::showEvent(event);
}

void LnMonitor::hideEvent(QHideEvent* event)
{
    link_.removeTap(model_);
    QWidget::hideEvent(event);
}

void LnMonitor::apply_filter()
{
    const auto opcode = opcode_filter(OpcodeTxt->text());
    if (!opcode) { // the old filter stays until the text reads as an opcode
        StatusLbl->setText(kKeinOpcode.arg(OpcodeTxt->text().trimmed()));
        return;
    }
    filter_->setFilter(FilterTxt->text(), *opcode);
    show_count();
}

void LnMonitor::show_count()
{
    if (opcode_filter(OpcodeTxt->text()))
        StatusLbl->setText(kZeilen.arg(filter_->rowCount()).arg(model_->rowCount()));
}

void LnMonitor::save()
{
    ask_file(this, true, kSpeichernTitel, kMitschnitt, QStringLiteral("txt"), QString(),
             [this](const QString& path) {
                 QString error;
                 if (!save_trace(*filter_, path, &error))
                     msgs_.show(titles::Fehler, kNichtGespeichert.arg(path, error));
             });
}

// The file's lines stand alone: the pause holds the bus's messages back
// until the user ends it.
void LnMonitor::load(const QString& path)
{
    QList<int> skipped;
    QString error;
    if (!load_trace(*model_, path, &skipped, &error)) {
        msgs_.show(titles::Fehler, kNichtGelesen.arg(path, error));
        return;
    }
    PauseBut->setChecked(true);
    if (skipped.size() == 1)
        msgs_.show(kLadenTitel, kZeileUebersprungen.arg(path).arg(skipped[0]), MsgIcon::Warning);
    else if (skipped.size() > 1)
        msgs_.show(kLadenTitel, kZeilenUebersprungen.arg(path).arg(skipped.size()).arg(skipped[0]),
                   MsgIcon::Warning);
    show_count();
}
