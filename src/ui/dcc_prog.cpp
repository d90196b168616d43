#include "dcc_prog.h"

#include "dcc_prog_speed.h"
#include "file_dialog.h"
#include "lamp.h"
#include "mainwin.h"
#include "neue_cv_zeile.h"
#include "panel_parts.h"
#include "small_window.h"

#include "application/application.h"
#include "core/number_text.h"
#include "programming/cv_table.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {
const QString kCaption = QStringLiteral("DCC Programmierung");
const QString kCaptionDatei = QStringLiteral("DCC Programmierung - Datei: ");

const QString kSingleGroup = QStringLiteral("einzelne CV's programmiern:");
const QString kStdGroup = QStringLiteral("Standard CV's programmieren:");
const QString kCv29Group = QStringLiteral("DCC Konfiguration (CV29):");
const QString kTableGroup = QStringLiteral("Decoder spez. CV's programmiern:");
const QString kListGroup = QStringLiteral("CV-Liste:");
const QString kBitsGroup = QStringLiteral("Bits:");
const QString kCvNr = QStringLiteral("CV-Nr:");
const QString kWert = QStringLiteral("Wert:");
const QString kLesen = QStringLiteral("Lesen ");
const QString kSchreiben = QStringLiteral("Schreiben");
const QStringList kStdLabels = {
    QString(),
    QStringLiteral("Lokadresse:"),
    QStringLiteral("min. Geschwindigkeit"),
    QStringLiteral("Anfahrverzögerung:"),
    QStringLiteral("Bremsverzögerung:"),
    QStringLiteral("max. Geschwindigkeit"),
    QStringLiteral("mittlere Geschw."),
};
const QString kSoftware = QStringLiteral("Software-Version:");
const QString kHersteller = QStringLiteral("Hersteller:");
const QStringList kCv29Captions = {
    QStringLiteral("Bit0: Fahrtrichtung ändern"),
    QStringLiteral("Bit1: 28 Fahrstufen"),
    QStringLiteral("Bit2: automatische Analogerkennung"),
    QStringLiteral("Bit3: Rail-Com eingeschaltet (falls vorhanden)"),
    QStringLiteral("Bit4: Fahrstufentabelle aktiv"),
    QStringLiteral("Bit5: lange Adresse aktiv"),
    QStringLiteral("Bit6: nicht benutzt"),
    QStringLiteral("Bit7: nicht benutzt"),
};
const QString kDecRd = QStringLiteral("Decoder auslesen");
const QString kDecWr = QStringLiteral("Decoder pogrammieren");
const QString kUserRd = QStringLiteral("Decoder lesen");
const QString kRcData = QStringLiteral("Herstellungsdaten");
const QString kAbbruch = QStringLiteral("Abbruch");
const QString kStatus = QStringLiteral("Status:");

const QString kDatei = QStringLiteral("Datei");
const QString kOptionen = QStringLiteral("Optionen");
const QString kTabMenu = QStringLiteral("--- CV Tabelle:  ---");
const QString kHilfe = QStringLiteral("Hilfe");

const QString kLadenTitle = QStringLiteral("Datei mit CV's laden");
const QString kSpeichernTitle = QStringLiteral("Datei mit CV's speichern unter");
const QString kListeLadenTitle = QStringLiteral("Datei mit CV-Liste laden");
const QString kListeSpeichernTitle = QStringLiteral("Datei mit CV-Liste speichern unter");
const QString kCvFilterOpen = QStringLiteral("CV-Dateien (*.CV *.cv)");
const QString kCvFilterSave = QStringLiteral("CV_Dateien (*.CV *.cv)");
const QString kListFilter = QStringLiteral("Listendateien (*.LST *.lst)");

constexpr int BlinkInterval = 400; // ms
constexpr int MaxAddress = 1023;
constexpr int MaxValue = 255;
constexpr int MaxLongAddress = 10239;

QLineEdit* number_box(const QString& name, int digits)
{
    auto* e = new QLineEdit;
    e->setObjectName(name);
    e->setMaxLength(digits);
    e->setFixedWidth(e->fontMetrics().horizontalAdvance(u'0') * (digits + 3));
    return e;
}

QLabel* value_label(const char* name)
{
    auto* l = new QLabel;
    l->setObjectName(QLatin1String(name));
    l->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    l->setMinimumWidth(140);
    return l;
}

QPushButton* button(const char* name, const QString& caption)
{
    auto* b = new QPushButton(caption);
    b->setObjectName(QLatin1String(name));
    return b;
}

// Draws a cell in the colour the table gives as a 24-bit value; the value
// cell being edited is drawn unselected so its colour and bar stay visible.
class ColourDelegate : public QStyledItemDelegate {
  public:
    ColourDelegate(const CvTable& table, QObject* parent)
        : QStyledItemDelegate(parent), table_(table)
    {
    }

  protected:
    void initStyleOption(QStyleOptionViewItem* o, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(o, index);
        if (index.column() == CvTable::ColValue && index.row() == table_.edit_row()) {
            o->state &= ~QStyle::State_Selected;
            o->backgroundBrush = o->palette.base();
        }
        const int c = index.data(CvTable::ColourRole).toInt();
        if (c != 0)
            o->palette.setColor(QPalette::Text, lamp_colour(c));
    }

  private:
    const CvTable& table_;
};
} // namespace

DCCProg::DCCProg(Application& core, std::function<void()> openHelp, QWidget* parent)
    : QMainWindow(parent), core_(core), prog_(core.prog), openHelp_(std::move(openHelp)),
      table_(new CvTable(this))
{
    setObjectName(QStringLiteral("DCCProg"));
    setWindowTitle(kCaption);
    build_menus();

    auto* left = new QVBoxLayout;
    left->addWidget(build_single());
    left->addWidget(build_std());
    left->addWidget(build_cv29());
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(build_table(), 3);
    right->addWidget(build_list(), 1);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right, 1);

    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->addLayout(columns, 1);
    layout->addWidget(build_status());
    setCentralWidget(central);

    connect(&prog_, &Programming::prog_buttons, this, &DCCProg::prog_buttons);
    connect(&prog_, &Programming::status_shown, DCCProgStat, &QLabel::setText);
    connect(&prog_, &Programming::single_value_shown, CVValTxt, &QLineEdit::setText);
    connect(&prog_, &Programming::show_std_cvs, this, &DCCProg::show_std_cvs);
    connect(&prog_, &Programming::show_cv_list, this, &DCCProg::show_cv_list);
    connect(&prog_, &Programming::rc_data_shown, ReadRCDataLabel, &QLabel::setText);

    DCCProgStat->setText(prog_.DCCProgStat);
    show_std_cvs();
    show_cv_list();
    caption();
    prog_buttons(!prog_.job_running());
    resize(sizeHint().width() + 40, sizeHint().height());
    hide_on_escape(this); // as "Beenden": the values stay
}

// --- building -----------------------------------------------------------------

void DCCProg::build_menus()
{
    // One row per item; a row without a caption is a separator.
    struct Item {
        const char* name;
        const char* caption;
        std::function<void()> handler;
    };
    const auto menu = [this](const char* name, const QString& caption,
                             std::initializer_list<Item> items) {
        QMenu* m = menuBar()->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        for (const Item& i : items) {
            QAction* a = i.caption ? m->addAction(QString::fromUtf8(i.caption)) : m->addSeparator();
            a->setObjectName(QLatin1String(i.name));
            if (i.handler)
                connect(a, &QAction::triggered, this, i.handler);
        }
    };
    menu("DateiMenu", kDatei,
         {
             {"NeuDecMenu", "neuer Decoder", [this] { neuer_decoder(); }},
             {"LoadMenu", "Laden", [this] { load_menu(); }},
             {"SaveMenu", "Speichern", [this] { save_menu(); }},
             {"SaveAsMenu", "Speichern unter", [this] { save_as_menu(); }},
             {"Sep1", nullptr, {}},
             {"CVTabLoad", "spez. CV-Tabelle laden", [this] { cvtab_load_menu(); }},
             {"CVTabSave", "spez. CV_tabelle speichern", [this] { cvtab_save_menu(); }},
             {"Sep2", nullptr, {}},
             {"EndeMenu", "Beenden", [this] { hide(); }},
         });
    menu("OptMenu", kOptionen,
         {{"SpeedTabMenu", "Fahrstufentabelle", [this] { speed_tab_menu(); }}});
    menu("CVTabMenu", kTabMenu,
         {
             {"CVTab_einf", "Zeile einfügen   (Einfg)", [this] { CVTab_einf(); }},
             {"CVTab_clr", "Zeile löschen    (Entf)", [this] { CVTab_clr(); }},
             {"CVTAB_Clrall", "Tabelle löschen", [this] { CVTAB_Clrall(); }},
         });
    QAction* hilfe = menuBar()->addAction(kHilfe);
    hilfe->setObjectName(QStringLiteral("HilfeMenu"));
    connect(hilfe, &QAction::triggered, this, [this] { openHelp_(); });
}

QWidget* DCCProg::build_single()
{
    CVAdrTxt = number_box(QStringLiteral("CVAdrTxt"), 4);
    CVValTxt = number_box(QStringLiteral("CVValTxt"), 3);
    RDCVBut = button("RDCVBut", kLesen);
    WRCVBut = button("WRCVBut", kSchreiben);
    connect(CVAdrTxt, &QLineEdit::textChanged, this, &DCCProg::check_fields);
    connect(CVValTxt, &QLineEdit::textChanged, this, &DCCProg::value_changed);
    connect(RDCVBut, &QPushButton::clicked, this, &DCCProg::read_one);
    connect(WRCVBut, &QPushButton::clicked, this, &DCCProg::write_one);

    auto* bits = new QGroupBox(kBitsGroup);
    bits->setObjectName(QStringLiteral("BitsFrame"));
    auto* bitRow = new QHBoxLayout(bits);
    for (int i = 7; i >= 0; --i) { // the high bit on the left, as in the table
        CVBit[size_t(i)] = new QCheckBox(QStringLiteral("Bit%1").arg(i));
        CVBit[size_t(i)]->setObjectName(indexed_name("CVBit", i));
        connect(CVBit[size_t(i)], &QCheckBox::clicked, this, &DCCProg::bit_clicked);
        bitRow->addWidget(CVBit[size_t(i)]);
    }

    auto* group = new QGroupBox(kSingleGroup);
    group->setObjectName(QStringLiteral("SingleFrame"));
    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel(kCvNr), 0, 0);
    grid->addWidget(CVAdrTxt, 0, 1);
    grid->addWidget(new QLabel(kWert), 0, 2);
    grid->addWidget(CVValTxt, 0, 3);
    grid->addWidget(RDCVBut, 0, 4);
    grid->addWidget(WRCVBut, 0, 5);
    grid->setColumnStretch(6, 1);
    grid->addWidget(bits, 1, 0, 1, 7);
    return group;
}

QWidget* DCCProg::build_std()
{
    auto* form = new QFormLayout;
    for (int i = 1; i <= 6; ++i) {
        CVTxt[size_t(i)] = number_box(indexed_name("CVTxt", i), i == 1 ? 5 : 3);
        connect(CVTxt[size_t(i)], &QLineEdit::textChanged, this, &DCCProg::check_fields);
        form->addRow(kStdLabels[i], CVTxt[size_t(i)]);
    }
    CV7Lbl = value_label("CV7Lbl");
    CV8Lbl = value_label("CV8Lbl");
    form->addRow(kSoftware, CV7Lbl);
    form->addRow(kHersteller, CV8Lbl);

    DecRdCVBut = button("DecRdCVBut", kDecRd);
    DecWrCVBut = button("DecWrCVBut", kDecWr);
    ReadRCData = button("ReadRCData", kRcData);
    ReadRCDataLabel = value_label("ReadRCDataLabel");
    connect(DecRdCVBut, &QPushButton::clicked, this,
            [this] { prog_.read_list(Programming::StdList); });
    connect(DecWrCVBut, &QPushButton::clicked, this, &DCCProg::write_std);
    connect(ReadRCData, &QPushButton::clicked, this, [this] { prog_.read_rc_data(); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(DecRdCVBut);
    buttons->addWidget(DecWrCVBut);
    buttons->addStretch();
    auto* rc = new QHBoxLayout;
    rc->addWidget(ReadRCData);
    rc->addWidget(ReadRCDataLabel, 1);

    auto* group = new QGroupBox(kStdGroup);
    group->setObjectName(QStringLiteral("StdFrame"));
    auto* layout = new QVBoxLayout(group);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addLayout(rc);
    return group;
}

QWidget* DCCProg::build_cv29()
{
    auto* group = new QGroupBox(kCv29Group);
    group->setObjectName(QStringLiteral("CV29Frame"));
    auto* grid = new QGridLayout(group);
    for (int i = 0; i < 8; ++i) {
        CV29Bit[size_t(i)] = new QCheckBox(kCv29Captions[i]);
        CV29Bit[size_t(i)]->setObjectName(indexed_name("CV29Bit", i));
        grid->addWidget(CV29Bit[size_t(i)], i % 4, i / 4);
        connect(CV29Bit[size_t(i)], &QCheckBox::clicked, this, [this] { cv29Set_ = true; });
    }
    connect(CV29Bit[5], &QCheckBox::clicked, this, [this] {
        show_address();
        check_fields();
    });
    return group;
}

QWidget* DCCProg::build_table()
{
    TabNameTxt = value_label("TabNameTxt");
    TabNameTxt->setText(table_->name());
    connect(table_, &CvTable::name_changed, TabNameTxt, &QLabel::setText);

    Tabelle = new QTableView;
    Tabelle->setObjectName(QStringLiteral("Tabelle"));
    Tabelle->setModel(table_);
    Tabelle->setItemDelegate(new ColourDelegate(*table_, Tabelle));
    Tabelle->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Tabelle->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Tabelle->setTabKeyNavigation(false);
    Tabelle->verticalHeader()->hide();
    Tabelle->verticalHeader()->setDefaultSectionSize(Tabelle->fontMetrics().height() + 6);
    auto* header = Tabelle->horizontalHeader();
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    const int widths[] = {50, 28, 200, 50};
    for (int c = 0; c < CvTable::Columns; ++c)
        Tabelle->setColumnWidth(c, c < 4 ? widths[c] : 22);
    header->setSectionResizeMode(CvTable::ColText, QHeaderView::Stretch);
    Tabelle->setMinimumWidth(50 + 28 + 200 + 50 + 8 * 22 + 24);
    Tabelle->installEventFilter(this);
    Tabelle->viewport()->installEventFilter(this);
    header->viewport()->installEventFilter(this);
    connect(Tabelle->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &DCCProg::cell_entered);

    Timer_Tabelle = new QTimer(this);
    Timer_Tabelle->setObjectName(QStringLiteral("Timer_Tabelle"));
    Timer_Tabelle->setInterval(BlinkInterval);
    connect(Timer_Tabelle, &QTimer::timeout, this, [this] {
        if (table_->editing())
            table_->blink();
        else
            Timer_Tabelle->stop();
    });

    DecRdUserList = button("DecRdUserList", kUserRd);
    DecWrUserList = button("DecWrUserList", kDecWr);
    connect(DecRdUserList, &QPushButton::clicked, this, [this] {
        table_->end_edit();
        prog_.read_user_list(*table_);
    });
    connect(DecWrUserList, &QPushButton::clicked, this, [this] {
        table_->end_edit();
        prog_.write_user_list(*table_);
    });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(DecRdUserList);
    buttons->addWidget(DecWrUserList);
    buttons->addStretch();

    auto* group = new QGroupBox(kTableGroup);
    group->setObjectName(QStringLiteral("TabFrame"));
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(TabNameTxt);
    layout->addWidget(Tabelle, 1);
    layout->addLayout(buttons);
    return group;
}

QWidget* DCCProg::build_list()
{
    CVListe = new QListWidget;
    CVListe->setObjectName(QStringLiteral("CVListe"));
    CVListe->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    connect(CVListe, &QListWidget::currentRowChanged, this, &DCCProg::list_clicked);
    auto* group = new QGroupBox(kListGroup);
    group->setObjectName(QStringLiteral("ListFrame"));
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(CVListe);
    return group;
}

QWidget* DCCProg::build_status()
{
    DCCProgStat = value_label("DCCProgStat");
    Cancel = button("Cancel", kAbbruch);
    connect(Cancel, &QPushButton::clicked, this, [this] { prog_.abort(); });
    auto* box = new QWidget;
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(kStatus));
    row->addWidget(DCCProgStat, 1);
    row->addWidget(Cancel);
    return box;
}

// --- what the window shows ------------------------------------------------------

bool DCCProg::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        activated();
    return QMainWindow::event(e);
}

void DCCProg::activated()
{
    if (prog_.FirstActivation) {
        prog_.FirstActivation = false;
        prog_.dcc_init();
        show_std_cvs();
        caption();
    }
    // Values may have changed in the speed-curve window meanwhile. The
    // standard fields keep what the user has typed but not yet written.
    show_cv_list();
    prog_.release_buttons();
}

void DCCProg::closeEvent(QCloseEvent* e)
{
    // Closed with the frame, the window and its table are given up; the
    // values stay with the core and the next opening starts afresh.
    hide();
    deleteLater();
    e->accept();
}

void DCCProg::caption()
{
    const QString name = QFileInfo(prog_.CvFileName).fileName();
    setWindowTitle(prog_.CvFileName.isEmpty() ? kCaption : kCaptionDatei + name);
}

void DCCProg::show_std_cvs()
{
    const StdCvs s = prog_.std_cvs();
    for (int i = 0; i < 8; ++i)
        CV29Bit[size_t(i)]->setChecked(s.cv29 & (1 << i));
    cv29Set_ = prog_.value(29) != CvUnknown;
    show_address();
    for (int i = 2; i <= 6; ++i)
        CVTxt[size_t(i)]->setText(s.cv[size_t(i)]);
    CV7Lbl->setText(s.version);
    CV8Lbl->setText(s.manufacturer);
}

void DCCProg::show_address()
{
    CVTxt[1]->setText(prog_.address_text(CV29Bit[5]->isChecked()));
}

void DCCProg::show_cv_list()
{
    QList<int> cvs;
    const QStringList lines = prog_.cv_list_lines(&cvs);
    const QSignalBlocker block(CVListe);
    CVListe->clear();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        auto* item = new QListWidgetItem(lines[i], CVListe);
        item->setData(Qt::UserRole, cvs[i]);
    }
    table_->show_values(prog_.CvValue);
}

bool DCCProg::check_val(QLineEdit* box, int max)
{
    const QString text = box->text();
    const bool ok = number_text_in(text, 0, max);
    QPalette p = box->palette();
    p.setColor(QPalette::Text, ok ? Qt::black : Qt::red);
    box->setPalette(p);
    return ok;
}

void DCCProg::check_fields()
{
    bool ok = check_val(CVAdrTxt, MaxAddress);
    ok = check_val(CVValTxt, MaxValue) && ok;
    ok = check_val(CVTxt[1], CV29Bit[5]->isChecked() ? MaxLongAddress : MaxValue) && ok;
    for (int i = 2; i <= 6; ++i)
        ok = check_val(CVTxt[size_t(i)], MaxValue) && ok;
    fieldsOk_ = ok;
    update_buttons();
}

void DCCProg::prog_buttons(bool enable)
{
    progFree_ = enable;
    update_buttons();
}

void DCCProg::update_buttons()
{
    for (QPushButton* b : {RDCVBut, WRCVBut, DecRdCVBut, DecWrCVBut})
        b->setEnabled(progFree_ && fieldsOk_);
    for (QPushButton* b : {DecRdUserList, DecWrUserList, ReadRCData})
        b->setEnabled(progFree_);
    Cancel->setEnabled(!progFree_);
}

// --- single CV and standard CVs -------------------------------------------------

void DCCProg::value_changed()
{
    if (bitGuard_)
        return;
    check_fields();
    const int v = number_in(CVValTxt->text(), 0, MaxValue).value_or(0);
    valueGuard_ = true;
    for (int i = 0; i < 8; ++i)
        CVBit[size_t(i)]->setChecked((v & (1 << i)) != 0);
    valueGuard_ = false;
}

void DCCProg::bit_clicked()
{
    if (valueGuard_)
        return;
    int v = 0;
    for (int i = 0; i < 8; ++i)
        if (CVBit[size_t(i)]->isChecked())
            v |= 1 << i;
    bitGuard_ = true;
    CVValTxt->setText(QString::number(v));
    bitGuard_ = false;
    check_fields();
}

void DCCProg::list_clicked(int row)
{
    const QListWidgetItem* item = CVListe->item(row);
    if (!item)
        return;
    const int cv = item->data(Qt::UserRole).toInt();
    CVAdrTxt->setText(QString::number(cv));
    CVValTxt->setText(cv_text(prog_.value(cv)));
}

void DCCProg::read_one()
{
    prog_.read_one(CVAdrTxt->text());
}

void DCCProg::write_one()
{
    prog_.write_one(CVAdrTxt->text(), CVValTxt->text());
}

void DCCProg::write_std()
{
    std::array<QString, 7> texts;
    for (int i = 1; i <= 6; ++i)
        texts[size_t(i)] = CVTxt[size_t(i)]->text();
    std::optional<int> cv29;
    if (cv29Set_) {
        cv29 = 0;
        for (int i = 0; i < 8; ++i)
            if (CV29Bit[size_t(i)]->isChecked())
                *cv29 |= 1 << i;
    }
    prog_.write_std(texts, CV29Bit[5]->isChecked(), cv29);
}

// --- files ------------------------------------------------------------------------

namespace {
const QString kCvSuffix = QStringLiteral("CV");
const QString kListSuffix = QStringLiteral("LST");
} // namespace

void DCCProg::neuer_decoder()
{
    prog_.dcc_init();
    ReadRCDataLabel->clear(); // it belonged to the decoder before
    show_std_cvs();
    show_cv_list();
    caption();
}

void DCCProg::load_menu()
{
    ask_file(this, false, kLadenTitle, kCvFilterOpen, kCvSuffix, {}, [this](const QString& name) {
        prog_.CvFileName = name;
        caption();
        load_cv();
    });
}

void DCCProg::save_as_menu()
{
    ask_file(this, true, kSpeichernTitle, kCvFilterSave, kCvSuffix, prog_.CvFileName,
             [this](const QString& name) {
                 prog_.save_cv_as(name);
                 caption();
             });
}

void DCCProg::save_menu()
{
    if (prog_.CvFileName.isEmpty())
        save_as_menu(); // saves once a name is chosen
    else
        save_cv();
}

void DCCProg::cvtab_load_menu()
{
    ask_file(this, false, kListeLadenTitle, kListFilter, kListSuffix, {},
             [this](const QString& name) {
                 prog_.ListFileName = name;
                 load_cvtab();
             });
}

void DCCProg::cvtab_save_menu()
{
    // Offered beside the CV file under its name, never as the CV file itself.
    QString start = prog_.ListFileName.value_or(QString());
    if (start.isEmpty() && !prog_.CvFileName.isEmpty()) {
        const QFileInfo cv(prog_.CvFileName);
        start = cv.path() + QLatin1Char('/') + cv.completeBaseName() + QStringLiteral(".LST");
    }
    ask_file(this, true, kListeSpeichernTitle, kListFilter, kListSuffix, start,
             [this](const QString& name) {
                 prog_.ListFileName = name;
                 save_cvtab();
             });
}

void DCCProg::save_cv()
{
    prog_.save_cv();
}

void DCCProg::load_cv()
{
    table_->end_edit();
    prog_.load_cv(*table_);
    show_cv_list();
    show_std_cvs();
}

void DCCProg::save_cvtab()
{
    table_->end_edit();
    prog_.save_cvtab(*table_);
}

void DCCProg::load_cvtab()
{
    prog_.load_cvtab(*table_);
}

// --- the speed-curve window ---------------------------------------------------------

void DCCProg::speed_tab_menu()
{
    prog_.release_buttons();
    if (!speed_)
        speed_ = new DCCProgSpeed(prog_, parentWidget());
    MainWin::show_window(speed_);
}

// --- the CV table ---------------------------------------------------------------------

void DCCProg::NewRow(int cv, const QString& text)
{
    table_->NewRow(cv, text);
    table_->show_values(prog_.CvValue);
}

void DCCProg::ClrRow(int row)
{
    table_->ClrRow(row);
}

void DCCProg::CVTab_einf()
{
    if (!neueZeile_) {
        neueZeile_ = new NeueCVZeile(core_.msgs, this);
        connect(neueZeile_, &QDialog::finished, this, &DCCProg::new_row_done);
    }
    if (!neueZeile_->isVisible())
        neueZeile_->ask(table_->name());
}

void DCCProg::new_row_done(int result)
{
    if (result != QDialog::Accepted)
        return; // closed or Escape: nothing changes
    table_->set_name(neueZeile_->tableName());
    const int cv = neueZeile_->cv();
    if (cv >= 1 && cv <= 1023)
        NewRow(cv, neueZeile_->explanation());
}

void DCCProg::CVTab_clr()
{
    const QModelIndex current = Tabelle->currentIndex();
    if (current.isValid() && Tabelle->selectionModel()->isRowSelected(current.row(), {}))
        ClrRow(current.row());
}

void DCCProg::CVTAB_Clrall()
{
    table_->clear_all();
}

void DCCProg::cell_entered()
{
    const QModelIndex current = Tabelle->currentIndex();
    const bool valueCell = current.isValid() && current.column() == CvTable::ColValue;
    if (table_->editing() && (!valueCell || current.row() != table_->edit_row()))
        table_->end_edit();
    if (valueCell && !table_->editing()) {
        table_->begin_edit(current.row());
        Timer_Tabelle->start();
    }
}

bool DCCProg::eventFilter(QObject* watched, QEvent* e)
{
    const auto mouse = [e] { return static_cast<QMouseEvent*>(e); };
    if (watched == Tabelle) {
        if (e->type() == QEvent::KeyPress)
            return table_key(static_cast<QKeyEvent*>(e)->key());
        if (e->type() == QEvent::FocusOut)
            table_->end_edit(); // what was typed counts once the table is left
        if (e->type() == QEvent::FocusIn)
            QTimer::singleShot(0, this, &DCCProg::cell_entered);
    } else if (watched == Tabelle->viewport() && e->type() == QEvent::MouseButtonPress) {
        return table_mouse(mouse()->position().toPoint(), mouse()->button());
    } else if (watched == Tabelle->horizontalHeader()->viewport() &&
               e->type() == QEvent::MouseButtonPress) {
        return header_mouse(mouse()->position().toPoint(), mouse()->button());
    }
    return QMainWindow::eventFilter(watched, e);
}

bool DCCProg::table_key(int key)
{
    const QModelIndex current = Tabelle->currentIndex();
    if (key == Qt::Key_Insert) {
        CVTab_einf();
        return true;
    }
    if (key == Qt::Key_Delete || key == Qt::Key_Backspace) {
        if (table_->editing())
            table_->edit_erase();
        else if (key == Qt::Key_Delete)
            CVTab_clr();
        return true;
    }
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        if (table_->editing())
            table_->edit_digit(key - Qt::Key_0);
        else if (current.isValid() && key <= Qt::Key_1)
            table_->set_bit(current.row(), current.column(), QChar(u'0' + (key - Qt::Key_0)));
        return true; // digits never start the view's keyboard search
    }
    return false;
}

bool DCCProg::table_mouse(QPoint pos, Qt::MouseButton button)
{
    const QModelIndex index = Tabelle->indexAt(pos);
    if (!index.isValid())
        return false;
    const int row = index.row(), col = index.column();
    auto* selection = Tabelle->selectionModel();
    if (button == Qt::RightButton) {
        if (col >= 1) {
            CVTab_einf();
        } else {
            Tabelle->setCurrentIndex(index);
            selection->select(index, QItemSelectionModel::ClearAndSelect);
        }
        return true;
    }
    if (button != Qt::LeftButton)
        return false;
    if (col == CvTable::ColCv) {
        Tabelle->setFocus(Qt::MouseFocusReason);
        Tabelle->setCurrentIndex(index);
        selection->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        return true;
    }
    if (col == CvTable::ColOp)
        table_->set_selected(row, !table_->selected(row));
    else if (col >= CvTable::ColBit7)
        table_->toggle_bit(row, col);
    return false; // the view makes the cell current
}

bool DCCProg::header_mouse(QPoint pos, Qt::MouseButton button)
{
    const int col = Tabelle->horizontalHeader()->logicalIndexAt(pos);
    if (col != CvTable::ColOp)
        return false;
    table_->select_all(button == Qt::LeftButton);
    return true;
}
