#include "key_entry_window.h"

#include "accessory/key_entry.h"
#include "key_code.h"
#include "mainwin.h"
#include "panel_parts.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

KeyEntryWindow::KeyEntryWindow(KeyEntry& entry, const KeyEntryLook& look, QWidget* parent)
    : QWidget(parent, Qt::Window), entry_(entry), number_(new QLabel)
{
    setObjectName(QLatin1String(look.name));
    setWindowTitle(look.title);

    number_->setObjectName(QLatin1String(look.numberName));
    number_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    number_->setAlignment(Qt::AlignCenter);
    QFont big = number_->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    number_->setFont(big);
    number_->setMinimumWidth(number_->fontMetrics().horizontalAdvance(QStringLiteral("00000")));

    auto* label1 = new QLabel(look.label1);
    label1->setObjectName(QStringLiteral("Label1"));
    auto* label2 = new QLabel(look.label2);
    label2->setObjectName(QStringLiteral("Label2"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(label1, 0, 0);
    grid->addWidget(number_, 0, 1);
    for (int k = 0; k < 2; ++k) {
        const KeyEntryLook::Button& b = look.buttons[size_t(k)];
        auto* button = new QPushButton(b.caption);
        button->setObjectName(QLatin1String(b.name));
        button->setFocusPolicy(Qt::NoFocus); // every key goes to the window
        button->setMinimumHeight(button->sizeHint().height() * 3 / 2);
        colour_key(button, b.colour);
        const int code = b.keyCode;
        connect(button, &QPushButton::clicked, this, [this, code] { entry_.keydown(code); });
        grid->addWidget(button, 1, k);
    }
    grid->addWidget(label2, 2, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    connect(&entry_, &KeyEntry::text_changed, number_, &QLabel::setText);
    connect(&entry_, &KeyEntry::hide_window, this, &QWidget::hide);
}

void KeyEntryWindow::open(int digit)
{
    entry_.open(digit);
    MainWin::show_window(this);
}

void KeyEntryWindow::keyPressEvent(QKeyEvent* event)
{
    const int code = key_code(*event);
    if (code < 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    entry_.keydown(code);
}
