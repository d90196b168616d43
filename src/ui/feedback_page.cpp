#include "feedback_page.h"

#include "accessory/pages.h"
#include "application/application.h"
#include "core/colour.h"
#include "key_entry_window.h"
#include "lamp.h"
#include "panel_parts.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace {
const KeyEntryLook kTasteRadr = {
    "Taste_Radr",
    QStringLiteral("Rückmeldung aussenden"),
    "Radr",
    QStringLiteral("Rückmelder Nr.:"),
    QStringLiteral("Taste F: frei   Taste B: belegt   Esc: schließen"),
    {{{"KB_gelb", QStringLiteral("frei"), colour::Yellow, 'F'},
      {"KB_rot", QStringLiteral("belegt"), colour::Red, 'B'}}},
};
} // namespace

FeedbackPage::FeedbackPage(Application& core, QWidget* mainWin)
    : core_(core), Taste_Radr(new KeyEntryWindow(core.feedback.Taste_Radr, kTasteRadr, mainWin)),
      head_{new QComboBox, new QLabel}
{
    setObjectName(QStringLiteral("FeedbackPage"));
    head_.selector->setObjectName(QStringLiteral("RMNrCo"));
    head_.range->setObjectName(QStringLiteral("RMAdrBereichTxt"));

    Feedback& fb = core_.feedback;
    auto* cells = sixteen_cells("RMShape", "RMNr", head_, [this, &fb](int i) {
        auto* anz = RM_Anz[size_t(i)] = new Lamp(fb.anz_colour(fb.RmBase + i), Lamp::Shape::Rect);
        anz->setObjectName(indexed_name("RM_Anz", i));
        anz->setFixedSize(26, 26);
        auto* button = RMChgBut[size_t(i)] = new QPushButton;
        button->setObjectName(indexed_name("RMChgBut", i));
        button->setFixedSize(30, 26);
        connect(button, &QPushButton::clicked, this, [&fb, i] { fb.change(i); });
        auto* row = new QHBoxLayout;
        row->setSpacing(6);
        row->addWidget(anz);
        row->addWidget(button);
        return row;
    });

    lay_out_page(this, head_, pages::Count, &Feedback::page_entry, cells,
                 [&fb](int index) { fb.select_page(index); });
    connect(&fb, &Feedback::page_shown, this, &FeedbackPage::show_page);
    connect(&fb, &Feedback::rm_anz, this, &FeedbackPage::show_state);
    show_page(fb.RmBase / pages::Size);
}

void FeedbackPage::key_entry(int digit)
{
    Taste_Radr->open(digit);
}

void FeedbackPage::show_page(int index)
{
    const Feedback& fb = core_.feedback;
    head_.show(index);
    for (int i = 0; i < pages::Size; ++i) {
        RMChgBut[size_t(i)]->setToolTip(fb.button_tip(i));
    }
}

void FeedbackPage::show_state(int index, int colour)
{
    if (index < 0 || index >= pages::Size)
        return;
    RM_Anz[size_t(index)]->setColour(colour);
    RMChgBut[size_t(index)]->setToolTip(core_.feedback.button_tip(index));
}
