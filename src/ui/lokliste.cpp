#include "lokliste.h"

#include "panel_parts.h"
#include "small_window.h"

#include "application/application.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {
const QString kTitel = QStringLiteral("Lokliste");
const QStringList kSpalten = {QStringLiteral("Adresse"), QStringLiteral("Name")};
const QString kLok = QStringLiteral("Lok");
const QString kAdresse = QStringLiteral("Adresse:");
const QString kName = QStringLiteral("Name:");
const QString kFunktion = QStringLiteral("Funktion");
const QString kBezeichnung = QStringLiteral("Bezeichnung");
const QString kTastend = QStringLiteral("tastend");
const QString kTastendTipp =
    QStringLiteral("Die Funktion ist nur an, solange die Taste gedrückt ist.");
const QString kNeu = QStringLiteral("Neu");
const QString kUebernehmen = QStringLiteral("Übernehmen");
const QString kLoeschen = QStringLiteral("Löschen");
const QString kSchonDa = QStringLiteral("Für die Adresse %1 gibt es schon einen Eintrag.");

constexpr int FnPerColumn = 15; // F0..F14, F15..F28
} // namespace

Lokliste::Lokliste(Application& core, QWidget* parent)
    : QWidget(parent, Qt::Dialog), core_(core), LokTab(new QTableWidget(0, 2)),
      LokAdrBox(new QComboBox), LokNameTxt(new QLineEdit)
{
    setObjectName(QStringLiteral("Lokliste"));
    setWindowTitle(kTitel);

    LokTab->setObjectName(QStringLiteral("LokTab"));
    LokTab->setHorizontalHeaderLabels(kSpalten);
    LokTab->verticalHeader()->hide();
    LokTab->setSelectionBehavior(QAbstractItemView::SelectRows);
    LokTab->setSelectionMode(QAbstractItemView::SingleSelection);
    LokTab->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LokTab->horizontalHeader()->setStretchLastSection(true);
    const int digit = fontMetrics().horizontalAdvance(u'0');
    LokTab->setColumnWidth(0, digit * 9);
    LokTab->setMinimumWidth(digit * 36);
    connect(LokTab, &QTableWidget::itemSelectionChanged, this, &Lokliste::row_chosen);

    auto* buttons = new QHBoxLayout;
    const std::pair<const char*, const QString*> captions[] = {
        {"NeuBut", &kNeu}, {"UebernehmenBut", &kUebernehmen}, {"LoeschenBut", &kLoeschen}};
    void (Lokliste::*handlers[])() = {&Lokliste::new_entry, &Lokliste::take_over,
                                      &Lokliste::delete_entry};
    for (size_t k = 0; k < std::size(captions); ++k) {
        auto* b = named_button(captions[k].first, *captions[k].second);
        connect(b, &QPushButton::clicked, this, handlers[k]);
        buttons->addWidget(b);
    }
    buttons->addStretch();

    auto* left = new QVBoxLayout;
    left->addWidget(LokTab, 1);
    left->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addWidget(build_editor());
    hide_on_escape(this);
    place_over_parent_once(this);

    connect(&core_.locoList, &LocoList::changed, this, &Lokliste::show_list);
    show_list();
    new_entry();
}

QWidget* Lokliste::build_editor()
{
    LokAdrBox->setObjectName(QStringLiteral("LokAdrBox"));
    LokAdrBox->setEditable(true);
    LokAdrBox->setInsertPolicy(QComboBox::NoInsert);
    LokAdrBox->setMinimumContentsLength(6);
    LokNameTxt->setObjectName(QStringLiteral("LokNameTxt"));
    LokNameTxt->setMaxLength(loco_list::MaxName);
    connect(LokAdrBox->lineEdit(), &QLineEdit::returnPressed, this, &Lokliste::take_over);
    connect(LokNameTxt, &QLineEdit::returnPressed, this, &Lokliste::take_over);

    auto* frame = new QGroupBox(kLok);
    frame->setObjectName(QStringLiteral("LokFrame"));
    auto* form = new QFormLayout;
    form->addRow(kAdresse, LokAdrBox);
    form->addRow(kName, LokNameTxt);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    const int labelWidth = fontMetrics().horizontalAdvance(QString(loco_list::MaxLabel / 2, u'M'));
    for (int half = 0; half < 2; ++half) {
        const int col = half * 4;
        grid->addWidget(new QLabel(kFunktion), 0, col);
        grid->addWidget(new QLabel(kBezeichnung), 0, col + 1);
        grid->addWidget(new QLabel(kTastend), 0, col + 2);
    }
    grid->setColumnMinimumWidth(3, 12);
    for (int n = 0; n < LocoEntry::Functions; ++n) {
        FnLabel[size_t(n)] = new QLineEdit;
        FnLabel[size_t(n)]->setObjectName(indexed_name("FnLabel", n));
        FnLabel[size_t(n)]->setMaxLength(loco_list::MaxLabel);
        FnLabel[size_t(n)]->setMinimumWidth(labelWidth);
        connect(FnLabel[size_t(n)], &QLineEdit::returnPressed, this, &Lokliste::take_over);
        FnMoment[size_t(n)] = new QCheckBox;
        FnMoment[size_t(n)]->setObjectName(indexed_name("FnMoment", n));
        FnMoment[size_t(n)]->setToolTip(kTastendTipp);
        const int row = 1 + n % FnPerColumn, col = n / FnPerColumn * 4;
        grid->addWidget(new QLabel(QStringLiteral("F%1").arg(n)), row, col);
        grid->addWidget(FnLabel[size_t(n)], row, col + 1);
        grid->addWidget(FnMoment[size_t(n)], row, col + 2, Qt::AlignHCenter);
    }
    auto* inner = new QVBoxLayout(frame);
    inner->addLayout(form);
    inner->addLayout(grid);
    inner->addStretch();
    return frame;
}

void Lokliste::showEvent(QShowEvent* event)
{
    offer_addresses(); // the locos held now
    QWidget::showEvent(event);
}

void Lokliste::show_list()
{
    const QSignalBlocker quiet(LokTab);
    const auto& entries = core_.locoList.entries();
    LokTab->setRowCount(int(entries.size()));
    for (int r = 0; r < int(entries.size()); ++r) {
        const LocoEntry& e = entries[size_t(r)];
        auto* address = new QTableWidgetItem(QString::number(e.address));
        address->setData(Qt::UserRole, e.address);
        address->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        LokTab->setItem(r, 0, address);
        LokTab->setItem(r, 1, new QTableWidgetItem(e.name));
        if (e.address == editing_)
            LokTab->selectRow(r);
    }
    if (!core_.locoList.find(editing_))
        LokTab->clearSelection();
    offer_addresses();
}

void Lokliste::show_entry(const LocoEntry& e)
{
    LokAdrBox->setEditText(e.address > 0 ? QString::number(e.address) : QString());
    LokNameTxt->setText(e.name);
    for (size_t n = 0; n < FnLabel.size(); ++n) {
        FnLabel[n]->setText(e.labels[n]);
        FnMoment[n]->setChecked(e.momentary[n]);
    }
}

void Lokliste::row_chosen()
{
    const auto rows = LokTab->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    const int address = LokTab->item(rows.first().row(), 0)->data(Qt::UserRole).toInt();
    if (const LocoEntry* e = core_.locoList.find(address)) {
        editing_ = address;
        show_entry(*e);
    }
}

void Lokliste::new_entry()
{
    editing_ = 0;
    LokTab->clearSelection();
    LocoEntry blank;
    const QList<int> held = held_without_entry();
    blank.address = held.isEmpty() ? 0 : held.first();
    show_entry(blank);
    if (blank.address > 0)
        LokNameTxt->setFocus();
    else
        LokAdrBox->setFocus();
}

void Lokliste::take_over()
{
    const auto address = LocoSettings::address(LokAdrBox->currentText().trimmed());
    if (!address) {
        core_.msgs.show(kTitel, LocoSettings::AddressRefusal, MsgIcon::Warning);
        return;
    }
    LocoEntry e;
    e.address = *address;
    e.name = LokNameTxt->text();
    for (size_t n = 0; n < FnLabel.size(); ++n) {
        e.labels[n] = FnLabel[n]->text();
        e.momentary[n] = FnMoment[n]->isChecked();
    }
    const int previous = editing_;
    editing_ = e.address;
    if (!core_.locoList.set(e, previous)) {
        editing_ = previous;
        core_.msgs.show(kTitel, kSchonDa.arg(e.address), MsgIcon::Warning);
    }
}

void Lokliste::delete_entry()
{
    if (editing_ > 0)
        core_.locoList.remove(editing_);
    new_entry();
}

QList<int> Lokliste::held_without_entry() const
{
    QList<int> held;
    for (int panel = 0; panel < Drivers::Panels; ++panel)
        held << core_.drivers.address(panel);
    for (const WiThrottleServer::Device& d : core_.withrottle.devices())
        held << d.locos;
    QList<int> list;
    for (const int a : held)
        if (a > 0 && !core_.locoList.find(a) && !list.contains(a))
            list << a;
    return list;
}

void Lokliste::offer_addresses()
{
    const QString typed = LokAdrBox->currentText();
    LokAdrBox->clear();
    for (const int a : held_without_entry())
        LokAdrBox->addItem(QString::number(a));
    LokAdrBox->setEditText(typed);
}
