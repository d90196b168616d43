#include "route_page.h"

#include "application/application.h"
#include "core/colour.h"
#include "key_entry_window.h"
#include "lamp.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace {
const KeyEntryLook kTasteFadr = {
    "Taste_Fadr",
    QStringLiteral("Fahrstraße"),
    "Fadr",
    QStringLiteral("Fahrstraße Nr.:"),
    QStringLiteral("Taste F: anfordern   Taste L: auflösen   Esc: schließen"),
    {{{"KB_gelb", QStringLiteral("anfordern"), colour::Yellow, 'F'},
      {"KB_grau", QStringLiteral("auflösen"), colour::Grey, 'L'}}},
};
// Request key left of the indicator, release key right of it.
const char* const kKeyNames[2] = {"FSSetBut", "FSRsBut"};
const int kKeyColours[2] = {colour::Yellow, colour::Grey};
} // namespace

RoutePage::RoutePage(Application& core, QWidget* mainWin)
    : core_(core), Taste_Fadr(new KeyEntryWindow(core.routePanel.Taste_Fadr, kTasteFadr, mainWin)),
      head_{new QComboBox, new QLabel}
{
    setObjectName(QStringLiteral("RoutePage"));
    head_.selector->setObjectName(QStringLiteral("MemNrCo"));
    head_.range->setObjectName(QStringLiteral("MemAdrBereichTxt"));

    RoutePanel& panel = core_.routePanel;
    const RouteEngine& engine = core_.routeEngine;
    auto* cells = sixteen_cells("FSShape", "FSNr", head_, [&](int i) {
        auto* row = new QHBoxLayout;
        row->setSpacing(6);
        for (int k = 0; k < 2; ++k) {
            auto* key = keys_[size_t(k)][size_t(i)] = new QPushButton;
            key->setObjectName(indexed_name(kKeyNames[k], i));
            key->setFixedSize(30, 26);
            colour_key(key, kKeyColours[k]);
            connect(key, &QPushButton::clicked, this,
                    [&panel, i, k] { k == 0 ? panel.request(i) : panel.release(i); });
            row->addWidget(key);
            if (k == 0) {
                auto* anz = FS_Anz[size_t(i)] = new Lamp(engine.FsAnz[size_t(i)]);
                anz->setObjectName(indexed_name("FS_Anz", i));
                row->addWidget(anz);
            }
        }
        return row;
    });

    lay_out_page(this, head_, RoutePanel::Pages, &RoutePanel::page_entry, cells,
                 [&panel](int index) { panel.select_page(index); });
    connect(&panel, &RoutePanel::page_shown, this, &RoutePage::show_page);
    connect(&engine, &RouteEngine::fs_anz, this, &RoutePage::show_state);
    show_page(panel.FsBase / RoutePanel::Size);
}

void RoutePage::key_entry(int digit)
{
    Taste_Fadr->open(digit);
}

void RoutePage::show_page(int index)
{
    head_.show(index);
    for (int i = 0; i < RoutePanel::Size; ++i) {
        for (int k = 0; k < 2; ++k)
            keys_[size_t(k)][size_t(i)]->setToolTip(core_.routePanel.button_tip(i, k == 1));
    }
}

void RoutePage::show_state(int index, int colour)
{
    if (index >= 0 && index < RoutePanel::Size)
        FS_Anz[size_t(index)]->setColour(colour);
}
