#include "kennix_win.h"

#include "small_window.h"
#include "trainid/kennix.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QLabel>
#include <QShowEvent>
#include <QVBoxLayout>
#include <QWindow>

namespace {
const QString kCaption = QStringLiteral("Kennix Empfänger:  %1");
const QString kLadr = QStringLiteral("Lokadresse:");
const QString kZk = QStringLiteral("Zugkat.:");
const QString kFR = QStringLiteral("Fahrtrichtung:");
const QString kSpeed = QStringLiteral("Geschw.:");

QLabel* value_label(const char* name)
{
    auto* l = new QLabel;
    l->setObjectName(QLatin1String(name));
    l->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    l->setMinimumWidth(l->fontMetrics().horizontalAdvance(QStringLiteral("S2 nach S1")) + 12);
    return l;
}
} // namespace

KennixWin::KennixWin(Kennix& kennix, int slot, QWidget* parent)
    : QWidget(parent, Qt::Window), kennix_(kennix), slot_(slot), LadrTxt(value_label("LadrTxt")),
      ZkTXT(value_label("ZkTXT")), FRTxt(value_label("FRTxt")), SpeedTxt(value_label("SpeedTxt"))
{
    setObjectName(QStringLiteral("KennixWin"));
    // Reports show it, but the keyboard stays where the user types.
    setAttribute(Qt::WA_ShowWithoutActivating);
    auto* form = new QFormLayout;
    form->addRow(kLadr, LadrTxt);
    form->addRow(kZk, ZkTXT);
    form->addRow(kFR, FRTxt);
    form->addRow(kSpeed, SpeedTxt);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    fit_title(layout, kCaption.arg(Kennix::Receivers - 1));
    close_on_escape(this); // asks whether the receiver is to be shown again
    resize(minimumSizeHint());
}

void KennixWin::show_slot()
{
    const KnxSlot& s = kennix_.KnxWin[size_t(slot_)];
    setWindowTitle(kCaption.arg(s.receiver));
    LadrTxt->setText(s.LadrTxt);
    ZkTXT->setText(s.ZkTXT);
    FRTxt->setText(s.FRTxt);
    SpeedTxt->setText(s.SpeedTxt);
}

void KennixWin::showEvent(QShowEvent* event)
{
    // It belongs to the main window but is no dialog of it, which the window
    // manager would keep over the main window and its menus. Its window is
    // made now and shown right after.
    if (!event->spontaneous())
        windowHandle()->setTransientParent(nullptr);
    QWidget::showEvent(event);
}

bool KennixWin::event(QEvent* event)
{
    if (event->type() == QEvent::WindowDeactivate)
        kennix_.save_position(slot_, pos());
    return QWidget::event(event);
}

void KennixWin::closeEvent(QCloseEvent* event)
{
    // The window stays until the question is answered; reports keep
    // updating it meanwhile.
    event->ignore();
    kennix_.query_unload(slot_, pos());
}
