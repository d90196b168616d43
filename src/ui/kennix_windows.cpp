#include "kennix_windows.h"

#include "kennix_win.h"
#include "small_window.h"
#include "trainid/kennix.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {
const QString kFrageTitel = QStringLiteral("Kennix Fenster schließen?");
const QString kFrage =
    QStringLiteral("Soll der Kennix mit der Adresse %1 beim nächsten Mal wieder angezeigt werden?");
const QString kJa = QStringLiteral("Ja");
const QString kNein = QStringLiteral("Nein");
} // namespace

KennixWindows::KennixWindows(Kennix& kennix, QWidget* mainWin)
    : QObject(mainWin), kennix_(kennix), mainWin_(mainWin)
{
    Dialog = build_dialog();
    connect(&kennix_, &Kennix::window_shown, this, &KennixWindows::window_shown);
    connect(&kennix_, &Kennix::window_closed, this, [this](int k) {
        if (KennixWin* w = window(k))
            w->hide();
    });
    connect(&kennix_, &Kennix::close_question, this, &KennixWindows::close_question);
}

KennixWin* KennixWindows::window(int k) const
{
    return k >= 1 && k <= Kennix::Windows ? windows_[size_t(k)] : nullptr;
}

void KennixWindows::window_shown(int k, Kennix::Place place)
{
    if (k < 1 || k > Kennix::Windows)
        return;
    KennixWin*& w = windows_[size_t(k)];
    if (!w)
        w = new KennixWin(kennix_, k, mainWin_);
    w->show_slot();
    if (place == Kennix::Place::Tile)
        place_tiled(w);
    else if (place == Kennix::Place::Saved)
        w->move(kennix_.KnxWin[size_t(k)].pos);
    // A report must not cover the window the user works in: a window that
    // appears goes below it, one that is shown already stays where it is.
    const bool appearing = w->isHidden();
    w->show();
    if (appearing && QApplication::activeWindow())
        w->lower();
}

void KennixWindows::place_tiled(KennixWin* w)
{
    // A window not yet shown has no frame; its shown siblings tell how
    // large the frame is.
    QSize frame = w->size();
    for (KennixWin* other : windows_)
        if (other && other != w && other->isVisible()) {
            frame += other->frameGeometry().size() - other->size();
            break;
        }
    const QRect screen = mainWin_->screen()->availableGeometry();
    const QPoint pos = screen.topLeft() + Kennix::tile_position(w->tag(), frame, screen.width());
    w->move(pos);
    kennix_.save_position(w->tag(), pos);
}

void KennixWindows::close_question(int k)
{
    FrageTxt->setText(kFrage.arg(kennix_.KnxWin[size_t(k)].receiver));
    // Enter answers "Ja", also after the last question was answered "Nein".
    CancelButton->setFocus();
    Dialog->show();
    Dialog->raise();
    Dialog->activateWindow();
}

QDialog* KennixWindows::build_dialog()
{
    auto* d = new QDialog(mainWin_);
    d->setObjectName(QStringLiteral("Dialog"));
    d->setWindowTitle(kFrageTitel);
    FrageTxt = new QLabel;
    FrageTxt->setObjectName(QStringLiteral("FrageTxt"));
    FrageTxt->setWordWrap(true);
    FrageTxt->setMinimumWidth(FrageTxt->fontMetrics().horizontalAdvance(kFrage) / 2);

    auto* buttons = new QDialogButtonBox;
    CancelButton = buttons->addButton(kJa, QDialogButtonBox::AcceptRole);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setDefault(true);
    QPushButton* nein = buttons->addButton(kNein, QDialogButtonBox::AcceptRole);
    nein->setObjectName(QStringLiteral("OKButton"));
    connect(CancelButton, &QPushButton::clicked, this, [this, d] {
        d->accept();
        kennix_.answer_close(Kennix::Ja);
    });
    connect(nein, &QPushButton::clicked, this, [this, d] {
        d->accept();
        kennix_.answer_close(Kennix::Nein);
    });
    // Escape or the title bar's close button: no answer, the window stays.
    connect(d, &QDialog::rejected, this, [this] { kennix_.answer_close(Kennix::NoAnswer); });

    auto* layout = new QVBoxLayout(d);
    layout->addWidget(FrageTxt);
    layout->addWidget(buttons);
    fit_title(layout, kFrageTitel);
    return d;
}
