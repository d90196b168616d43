#include "reset_window.h"

#include "small_window.h"

#include "application/application.h"
#include "core/colour.h"
#include "lamp.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {
const QString kTitle = QStringLiteral("Zurücksetzen");
const std::array<QString, 3> kKonf = {
    QStringLiteral("Konfiguration"),
    QStringLiteral("Lokdatenformat"),
    QStringLiteral("Abbruch"),
};
const QString kWarten = QStringLiteral("bitte warten !");
constexpr int Abbruch = 2;
} // namespace

ResetWindow::ResetWindow(Application& core, QWidget* parent)
    : QWidget(parent, Qt::Window), core_(core), WartenLbl(new QLabel(kWarten)),
      TimerWarten(new QTimer(this))
{
    setObjectName(QStringLiteral("Reset"));
    setWindowTitle(kTitle);
    auto* buttonRow = new QWidget;
    auto* buttons = new QHBoxLayout(buttonRow);
    for (int i = 0; i < int(KonfBut.size()); ++i) {
        KonfBut[size_t(i)] = new QPushButton(kKonf[size_t(i)]);
        KonfBut[size_t(i)]->setObjectName(QStringLiteral("KonfBut_%1").arg(i));
        connect(KonfBut[size_t(i)], &QPushButton::clicked, this, [this, i] { konf_clicked(i); });
        buttons->addWidget(KonfBut[size_t(i)]);
    }
    WartenLbl->setObjectName(QStringLiteral("WartenLbl"));
    WartenLbl->setAlignment(Qt::AlignCenter);
    QFont big = WartenLbl->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.5);
    WartenLbl->setFont(big);
    TimerWarten->setObjectName(QStringLiteral("TimerWarten"));
    TimerWarten->setInterval(BlinkInterval);
    connect(TimerWarten, &QTimer::timeout, this, &ResetWindow::timer_warten);

    // The notice takes the buttons' place; the window keeps its size.
    pages_ = new QStackedWidget;
    pages_->addWidget(buttonRow);
    pages_->addWidget(WartenLbl);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    fit_title(layout, kTitle);
    hide_on_escape(this);
}

void ResetWindow::konf_clicked(int index)
{
    if (index == Abbruch) {
        hide();
        return;
    }
    // Refused (not connected, another job must finish): no wait for a
    // restart that was never asked for.
    if (!core_.options.reset(index)) // 0 configuration, 1 loco data formats
        return;
    pages_->setCurrentWidget(WartenLbl);
    ticks_ = 0;
    TimerWarten->start();
}

void ResetWindow::timer_warten()
{
    pages_->setCurrentWidget(WartenLbl);
    blink_ = !blink_;
    QPalette p = WartenLbl->palette();
    p.setColor(QPalette::WindowText, lamp_colour(blink_ ? colour::Black : colour::Red));
    WartenLbl->setPalette(p);
    if (++ticks_ < WaitTicks)
        return;
    pages_->setCurrentIndex(0);
    TimerWarten->stop();
}
