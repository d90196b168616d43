#include "route_editor.h"

#include "adr_eing_form.h"
#include "route_grid.h"
#include "small_window.h"

#include "application/application.h"
#include "routes/route_edit.h"
#include "routes/route_step.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {
const QString kTitle = QStringLiteral("Fahrstraßen ändern und überwachen");
const QString kSchaltzeit = QStringLiteral("Magnetartikel Schaltzeit:");
const QString kPausenzeit = QStringLiteral("Magnetartikel Pausenzeit:");
const QString kBefehl = QStringLiteral("Befehl:");
const QString kOk = QStringLiteral("OK");
const QString kLoeschenTitel = QStringLiteral("Fahrstraße %1");
const QString kLoeschenFrage = QStringLiteral("Fahrstraße löschen?");
const QString kLongestStatus = QStringLiteral("Suche neue Fahrstraße zur Abarbeitung");

QLabel* status_label(const char* name, const QString& longest)
{
    auto* l = new QLabel;
    l->setObjectName(QLatin1String(name));
    l->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    l->setMinimumWidth(l->fontMetrics().horizontalAdvance(longest) + 12);
    return l;
}
} // namespace

FaStrEditForm::FaStrEditForm(Application& core, QWidget* parent)
    : QWidget(parent, Qt::Window), core_(core), FSTab(new QTableView)
{
    setObjectName(QStringLiteral("FaStrEditForm"));
    setWindowTitle(kTitle);

    FSTab->setObjectName(QStringLiteral("FSTab"));
    auto* grid = new RouteGridModel(this);
    grid->setSourceModel(&core_.FSTab);
    show_route_grid(FSTab, grid);
    FSTab->viewport()->installEventFilter(this);
    FSTab->verticalHeader()->viewport()->installEventFilter(this);
    FSTab->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FSTab, 1);
    layout->addWidget(build_footer());

    connect(&core_.routeEngine, &RouteEngine::status_shown, this,
            [this](const QString& status, const QString& step) {
                FsStatTxt->setText(status);
                BefNrTxt->setText(step);
            });
    FsStatTxt->setText(core_.routeEngine.FsStatTxt);
    BefNrTxt->setText(core_.routeEngine.BefNrTxt);
    show_times();

    const QFontMetrics fm = fontMetrics();
    resize(fm.averageCharWidth() * 150, fm.height() * 36);
    hide_on_escape(this);
}

QWidget* FaStrEditForm::build_footer()
{
    auto* footer = new QWidget;
    auto* row = new QHBoxLayout(footer);
    row->setContentsMargins(0, 0, 0, 0);
    RouteTable& table = core_.FSTab;
    for (auto [field, caption, name, time] :
         {std::tuple{&MagT1Txt, kSchaltzeit, "MagT1Txt", &table.MagT1},
          std::tuple{&MagT2Txt, kPausenzeit, "MagT2Txt", &table.MagT2}}) {
        QLineEdit* edit = *field = new QLineEdit;
        edit->setObjectName(QLatin1String(name));
        edit->setMaxLength(9); // milliseconds; always within an int
        edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(u'0') * 8);
        int* value = time;
        connect(edit, &QLineEdit::textEdited, this,
                [this, edit, value] { time_edited(edit, *value); });
        auto* label = new QLabel(caption);
        label->setBuddy(edit);
        row->addWidget(label);
        row->addWidget(edit);
        row->addSpacing(12);
    }
    row->addStretch();
    FsStatTxt = status_label("FsStatTxt", kLongestStatus);
    row->addWidget(FsStatTxt);
    auto* label6 = new QLabel(kBefehl);
    label6->setObjectName(QStringLiteral("Label6"));
    row->addWidget(label6);
    BefNrTxt = status_label("BefNrTxt", QStringLiteral("00"));
    BefNrTxt->setAlignment(Qt::AlignCenter);
    row->addWidget(BefNrTxt);
    row->addSpacing(12);
    auto* ok = new QPushButton(kOk);
    ok->setObjectName(QStringLiteral("OK_But"));
    connect(ok, &QPushButton::clicked, this, &QWidget::hide);
    row->addWidget(ok);
    return footer;
}

void FaStrEditForm::showEvent(QShowEvent* event)
{
    show_times();
    QWidget::showEvent(event);
}

void FaStrEditForm::show_times()
{
    MagT1Txt->setText(QString::number(core_.FSTab.MagT1));
    MagT2Txt->setText(QString::number(core_.FSTab.MagT2));
}

void FaStrEditForm::time_edited(QLineEdit* field, int& time)
{
    const QString digits = digits_only(field->text());
    if (digits != field->text())
        field->setText(digits);
    time = whole_value(digits);
}

bool FaStrEditForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        const auto* me = static_cast<QMouseEvent*>(event);
        const QPoint pos = me->position().toPoint();
        if (watched == FSTab->viewport() && me->button() == Qt::LeftButton) {
            const QModelIndex i = FSTab->indexAt(pos);
            if (i.isValid())
                cell_pressed(i.row(), i.column());
        } else if (watched == FSTab->verticalHeader()->viewport() &&
                   me->button() == Qt::RightButton) {
            ask_delete(FSTab->verticalHeader()->logicalIndexAt(pos));
        }
        return false;
    }
    // From the keyboard: Enter or Space acts on the current cell as a click,
    // Delete on a selected route as the right click on its number.
    if (watched == FSTab && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const QModelIndex i = FSTab->currentIndex();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) &&
            i.isValid()) {
            cell_pressed(i.row(), i.column());
            return true;
        }
        if (key == Qt::Key_Delete && i.isValid()) {
            ask_delete(i.row());
            return true;
        }
    }
    return false;
}

void FaStrEditForm::cell_pressed(int r, int c)
{
    if (!RouteTable::is_route(r) || c < 1)
        return;
    if (RouteTable::is_flag(c)) {
        route_edit::toggle_flag(core_.FSTab, r, c);
        return;
    }
    if (!AdrEing) {
        AdrEing = new AdrEingForm(this);
        connect(AdrEing, &QDialog::finished, this, &FaStrEditForm::dialog_done);
    }
    editRow_ = r;
    editCol_ = c;
    AdrEing->fill(route_edit::entry_of(core_.FSTab.cell(r, c)), route_edit::is_step(c));
    AdrEing->open();
}

void FaStrEditForm::dialog_done(int result)
{
    route_edit::apply(core_.FSTab, editRow_, editCol_, result, AdrEing->entry());
}

void FaStrEditForm::ask_delete(int r)
{
    // Only a whole route, selected by its number, can be deleted.
    if (!RouteTable::is_route(r) || !FSTab->selectionModel()->isRowSelected(r, {}))
        return;
    auto* box = new QMessageBox(QMessageBox::Question, kLoeschenTitel.arg(r), kLoeschenFrage,
                                QMessageBox::Ok | QMessageBox::Cancel, this);
    box->setObjectName(QStringLiteral("FsLoeschenBox"));
    box->button(QMessageBox::Cancel)->setText(AdrEingForm::Abbrechen);
    box->setAttribute(Qt::WA_DeleteOnClose);
    fit_title(box);
    connect(box, &QMessageBox::finished, this, [this, box, r] {
        if (box->clickedButton() == box->button(QMessageBox::Ok))
            route_edit::clear_route(core_.FSTab, r);
    });
    box->open();
}
