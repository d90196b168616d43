#include "lncv_module_window.h"

#include "file_dialog.h"
#include "small_window.h"

#include "programming/lncv_manager.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace {
const QString kTitle = QStringLiteral("LocoNet Module verwalten");
const QString kArtikelnummer = QStringLiteral("Artikelnummer:");
const QString kSuchen = QStringLiteral("Suchen");
const QString kBisLncv = QStringLiteral("bis LNCV:");
const QString kAlleLesen = QStringLiteral("Alle lesen");
const QString kSchreiben = QStringLiteral("Schreiben");
const QString kSichern = QStringLiteral("Sichern…");
const QString kDateiLaden = QStringLiteral("Datei laden…");
const QString kZurueckschreiben = QStringLiteral("Zurückschreiben");
const QString kAbbrechen = QStringLiteral("Abbrechen");
const QString kLncvVon = QStringLiteral("LNCV %v von %m");
const QString kGefunden = QStringLiteral("Gefundene Module: %v");
const QString kSichernTitel = QStringLiteral("LNCV-Sicherung speichern");
const QString kLadenTitel = QStringLiteral("LNCV-Sicherung laden");
const QString kFilter = QStringLiteral("LNCV-Sicherungen (*.lncv);;Alle Dateien (*)");
const QString kSuffix = QStringLiteral("lncv");
// The longest text the "Meldung" column shows.
const QString kLaengsteMeldung = QStringLiteral("LNCV-Schreiben: LNCV schreibgeschützt");

QTableView* table(const char* name, QAbstractItemModel* model)
{
    auto* t = new QTableView;
    t->setObjectName(QLatin1String(name));
    t->setModel(model);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->verticalHeader()->hide();
    t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 6);
    t->horizontalHeader()->setStretchLastSection(true);
    return t;
}

// Colours a row by its mark: a file value that differs, an edited value,
// a write that failed.
class MarkDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* o, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(o, index);
        switch (index.data(LncvValueTable::MarkRole).toInt()) {
        case LncvValueTable::Differs: o->backgroundBrush = QColor(255, 236, 150); break;
        case LncvValueTable::Edited:
            o->palette.setColor(QPalette::Text, Qt::blue);
            o->font.setBold(true);
            break;
        case LncvValueTable::Failed: o->palette.setColor(QPalette::Text, Qt::red); break;
        default: break;
        }
    }
};

// Column widths for these texts, in the table's font.
void fit_columns(QTableView* t, const QStringList& widest)
{
    const QFontMetrics fm = t->fontMetrics();
    for (int c = 0; c < widest.size(); ++c)
        t->horizontalHeader()->resizeSection(c, fm.horizontalAdvance(widest[c]) + 24);
}

int columns_width(const QTableView* t)
{
    int w = 0;
    for (int c = 0; c < t->model()->columnCount(); ++c)
        w += t->horizontalHeader()->sectionSize(c);
    return w + 2 * t->frameWidth();
}
} // namespace

LncvModuleWindow::LncvModuleWindow(LncvManager& manager, QWidget* parent)
    : QWidget(parent, Qt::Dialog), m_(manager), LmArtNrTxt(number_edit("LmArtNrTxt", 6)),
      LmSucheBut(named_button("LmSucheBut", kSuchen)),
      LmModulTab(table("LmModulTab", &manager.modules())), LmBisTxt(number_edit("LmBisTxt", 5)),
      LmLesenBut(named_button("LmLesenBut", kAlleLesen)),
      LmSchreibenBut(named_button("LmSchreibenBut", kSchreiben)),
      LmWertTab(table("LmWertTab", &manager.values())),
      LmSichernBut(named_button("LmSichernBut", kSichern)),
      LmDateiBut(named_button("LmDateiBut", kDateiLaden)),
      LmZurueckBut(named_button("LmZurueckBut", kZurueckschreiben)),
      LmFortschritt(new QProgressBar), LmAbbrechenBut(named_button("LmAbbrechenBut", kAbbrechen))
{
    setObjectName(QStringLiteral("LncvModule"));
    setWindowTitle(kTitle);
    LmBisTxt->setText(QString::number(LncvManager::DefaultLast));
    LmFortschritt->setObjectName(QStringLiteral("LmFortschritt"));
    LmFortschritt->setTextVisible(true);
    LmFortschritt->reset();
    LmWertTab->setItemDelegate(new MarkDelegate(LmWertTab));
    LmWertTab->setEditTriggers(QAbstractItemView::DoubleClicked |
                               QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::AnyKeyPressed);

    auto* search = new QHBoxLayout;
    auto* artLabel = new QLabel(kArtikelnummer);
    artLabel->setBuddy(LmArtNrTxt);
    search->addWidget(artLabel);
    search->addWidget(LmArtNrTxt);
    search->addWidget(LmSucheBut);
    search->addStretch();

    auto* read = new QHBoxLayout;
    auto* bisLabel = new QLabel(kBisLncv);
    bisLabel->setBuddy(LmBisTxt);
    read->addWidget(bisLabel);
    read->addWidget(LmBisTxt);
    read->addWidget(LmLesenBut);
    read->addWidget(LmSchreibenBut);
    read->addStretch();

    auto* files = new QHBoxLayout;
    files->addWidget(LmSichernBut);
    files->addWidget(LmDateiBut);
    files->addWidget(LmZurueckBut);
    files->addStretch();

    auto* progress = new QHBoxLayout;
    progress->addWidget(LmFortschritt, 1);
    progress->addWidget(LmAbbrechenBut);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(search);
    layout->addWidget(LmModulTab, 1);
    layout->addLayout(read);
    layout->addWidget(LmWertTab, 3);
    layout->addLayout(files);
    layout->addLayout(progress);
    fit_title(layout, kTitle);
    hide_on_escape(this);
    place_over_parent_once(this);

    const QString digits(6, u'0');
    fit_columns(LmModulTab,
                {QStringLiteral("Artikelnummer"), QStringLiteral("Adresse"), QString(28, u'x')});
    fit_columns(LmWertTab, {digits, digits, QString(28, u'x'), digits, kLaengsteMeldung});
    const int rowH = LmWertTab->verticalHeader()->defaultSectionSize();
    LmModulTab->setMinimumHeight(rowH * 5);
    LmWertTab->setMinimumHeight(rowH * 9);
    const QMargins margins = layout->contentsMargins();
    resize(columns_width(LmWertTab) + margins.left() + margins.right() + 24,
           LmModulTab->minimumHeight() + rowH * 14 + fontMetrics().height() * 12);

    for (QLineEdit* e : {LmArtNrTxt, LmBisTxt})
        e->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    colour_as_typed(LmArtNrTxt, LncvManager::MaxArticle);
    colour_as_typed(LmBisTxt, lncvfile::MaxField);
    // Enter acts as the field's button; a module activated is read.
    connect(LmArtNrTxt, &QLineEdit::returnPressed, LmSucheBut, &QPushButton::click);
    connect(LmBisTxt, &QLineEdit::returnPressed, LmLesenBut, &QPushButton::click);
    connect(LmModulTab, &QTableView::activated, LmLesenBut, &QPushButton::click);

    connect(LmSucheBut, &QPushButton::clicked, this, [this] { m_.search(LmArtNrTxt->text()); });
    connect(LmLesenBut, &QPushButton::clicked, this, [this] { m_.read_all(LmBisTxt->text()); });
    connect(LmSchreibenBut, &QPushButton::clicked, this, [this] { m_.write_changes(); });
    connect(LmZurueckBut, &QPushButton::clicked, this, [this] { m_.restore(); });
    connect(LmSichernBut, &QPushButton::clicked, this, &LncvModuleWindow::save_clicked);
    connect(LmDateiBut, &QPushButton::clicked, this, &LncvModuleWindow::load_clicked);
    connect(LmAbbrechenBut, &QPushButton::clicked, this, [this] { m_.cancel(); });
    connect(LmModulTab->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& row) { m_.select(row.isValid() ? row.row() : -1); });

    connect(&m_, &LncvManager::busy_changed, this, &LncvModuleWindow::show_busy);
    connect(&m_, &LncvManager::progress, this, &LncvModuleWindow::show_progress);
    connect(&m_, &LncvManager::selection_changed, this, &LncvModuleWindow::show_selection);
    show_busy(m_.busy());
}

void LncvModuleWindow::hideEvent(QHideEvent* event)
{
    // Closed by the user (not minimised with the main window): the session
    // ends and the module leaves programming mode.
    if (!event->spontaneous())
        m_.cancel();
    QWidget::hideEvent(event);
}

void LncvModuleWindow::show_busy(bool busy)
{
    for (QWidget* w :
         std::initializer_list<QWidget*>{LmArtNrTxt, LmSucheBut, LmModulTab, LmBisTxt, LmLesenBut,
                                         LmSchreibenBut, LmSichernBut, LmDateiBut, LmZurueckBut})
        w->setEnabled(!busy);
    LmAbbrechenBut->setEnabled(busy);
    // A search that found modules offers the first one.
    if (!busy && m_.selected() < 0 && m_.modules().rowCount() > 0)
        LmModulTab->setCurrentIndex(m_.modules().index(0, 0));
}

void LncvModuleWindow::show_progress(int done, int total)
{
    LmFortschritt->setFormat(total > 0 ? kLncvVon : kGefunden);
    LmFortschritt->setRange(0, total > 0 ? total : std::max(done, 1));
    LmFortschritt->setValue(done);
}

void LncvModuleWindow::show_selection(int row)
{
    if (row < 0)
        LmModulTab->clearSelection();
    LmWertTab->scrollToTop();
}

QString LncvModuleWindow::file_start() const
{
    const int row = m_.selected();
    const LncvModuleId id = m_.modules().at(row);
    const QString name = QStringLiteral("%1-%2.lncv").arg(id.article * 10).arg(id.address);
    return folder_.isEmpty() ? name : QDir(folder_).filePath(name);
}

void LncvModuleWindow::save_clicked()
{
    if (!m_.can_save())
        return;
    ask_file(this, true, kSichernTitel, kFilter, kSuffix, file_start(),
             [this](const QString& path) {
                 folder_ = QFileInfo(path).absolutePath();
                 m_.save(path);
             });
}

void LncvModuleWindow::load_clicked()
{
    if (!m_.can_load())
        return;
    ask_file(this, false, kLadenTitel, kFilter, kSuffix, folder_, [this](const QString& path) {
        folder_ = QFileInfo(path).absolutePath();
        m_.load(path);
    });
}
