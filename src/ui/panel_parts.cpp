#include "panel_parts.h"

#include "accessory/pages.h"
#include "lamp.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int Columns = 8;
}

QString indexed_name(const char* name, int i)
{
    return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(i);
}

void PageHead::show(int index)
{
    const int base = index * pages::Size;
    selector->setCurrentIndex(index);
    range->setText(pages::range_text(base));
    for (int i = 0; i < pages::Size; ++i)
        numbers[size_t(i)]->setNum(base + i + 1);
}

void lay_out_page(QWidget* page, PageHead& head, int count,
                  const std::function<QString(int)>& entry, QLayout* cells,
                  const std::function<void(int)>& select)
{
    QComboBox* selector = head.selector;
    QLabel* range = head.range;
    for (int k = 0; k < count; ++k)
        selector->addItem(entry(k));
    selector->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    range->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    range->setAlignment(Qt::AlignCenter);
    range->setMinimumWidth(range->fontMetrics().horizontalAdvance(QStringLiteral("0000 - 0000")) +
                           12);
    auto* row = new QHBoxLayout;
    row->addWidget(selector);
    row->addWidget(range);
    row->addStretch();
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(row);
    layout->addLayout(cells);
    layout->addStretch();
    QObject::connect(selector, &QComboBox::activated, page, select);
}

QLayout* sixteen_cells(const char* frameName, const char* numberName, PageHead& head,
                       const std::function<QLayout*(int i)>& cell)
{
    auto* grid = new QGridLayout;
    for (int i = 0; i < pages::Size; ++i) {
        auto* frame = new QFrame;
        frame->setObjectName(indexed_name(frameName, i));
        frame->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
        auto* number = head.numbers[size_t(i)] = new QLabel;
        number->setObjectName(indexed_name(numberName, i));
        number->setAlignment(Qt::AlignCenter);
        auto* box = new QVBoxLayout(frame);
        box->setContentsMargins(6, 4, 6, 6);
        box->addWidget(number);
        auto* row = new QHBoxLayout;
        row->addStretch();
        row->addLayout(cell(i));
        row->addStretch();
        box->addLayout(row);
        grid->addWidget(frame, i / Columns, i % Columns);
    }
    return grid;
}

void colour_key(QPushButton* key, int colour)
{
    const QColor c = lamp_colour(colour);
    key->setStyleSheet(
        QStringLiteral("QPushButton { background: %1; border: 1px solid #444;"
                       " border-radius: 3px; }"
                       "QPushButton:pressed { background: %2; }"
                       "QPushButton:disabled { background: %3; border-color: #999; }")
            .arg(c.name(), c.darker(140).name(), c.lighter(160).name()));
}
