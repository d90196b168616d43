#include "keyboard_page.h"

#include "accessory/pages.h"
#include "application/application.h"
#include "core/colour.h"
#include "key_entry_window.h"
#include "lamp.h"
#include "panel_parts.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

namespace {
const KeyEntryLook kTasteWadr = {
    "Taste_Wadr",
    QStringLiteral("Magnetartikel schalten"),
    "wadr",
    QStringLiteral("Magnetartikel Nr.:"),
    QStringLiteral("Taste R: rot   Taste G: grün   Esc: schließen"),
    {{{"KB_rot", QStringLiteral("rot"), colour::Red, 'R'},
      {"KB_grn", QStringLiteral("grün"), colour::Green, 'G'}}},
};
const char* const kKeyNames[2] = {"KB_rot", "KB_grn"};
const int kKeyColours[2] = {colour::Red, colour::Green};
constexpr int Unknown = colour::LightGrey; // no state seen yet
} // namespace

KeyboardPage::KeyboardPage(Application& core, QWidget* mainWin)
    : core_(core), Taste_Wadr(new KeyEntryWindow(core.keyboard.Taste_Wadr, kTasteWadr, mainWin)),
      head_{new QComboBox, new QLabel}
{
    setObjectName(QStringLiteral("KeyboardPage"));
    head_.selector->setObjectName(QStringLiteral("KeybNrCo"));
    head_.range->setObjectName(QStringLiteral("KeyBAdrBereichTxt"));

    auto* cells = sixteen_cells("KBShape", "KBNr", head_, [this](int i) {
        auto* row = new QHBoxLayout;
        row->setSpacing(6);
        for (int dir = 0; dir < 2; ++dir) {
            auto* key = keys_[size_t(dir)][size_t(i)] = new QPushButton;
            key->setObjectName(indexed_name(kKeyNames[dir], i));
            key->setFixedSize(30, 26);
            colour_key(key, kKeyColours[dir]);
            key->installEventFilter(this);
            row->addWidget(key);
            if (dir == 0) {
                KB_Anz[size_t(i)] = new Lamp(Unknown);
                KB_Anz[size_t(i)]->setObjectName(indexed_name("KB_Anz", i));
                row->addWidget(KB_Anz[size_t(i)]);
            }
        }
        return row;
    });

    Keyboard& kb = core_.keyboard;
    lay_out_page(this, head_, pages::Count, &Keyboard::page_entry, cells,
                 [&kb](int index) { kb.select_page(index); });
    connect(&kb, &Keyboard::page_shown, this, &KeyboardPage::show_page);
    connect(&kb, &Keyboard::kb_anz, this, &KeyboardPage::show_state);
    show_page(kb.KeybBase / pages::Size);
}

void KeyboardPage::key_entry(int digit)
{
    Taste_Wadr->open(digit);
}

void KeyboardPage::show_page(int index)
{
    const Keyboard& kb = core_.keyboard;
    head_.show(index);
    for (int i = 0; i < pages::Size; ++i) {
        for (int dir = 0; dir < 2; ++dir)
            keys_[size_t(dir)][size_t(i)]->setToolTip(kb.key_tip(i, dir));
    }
}

void KeyboardPage::show_state(int index, int colour)
{
    if (index >= 0 && index < pages::Size)
        KB_Anz[size_t(index)]->setColour(colour);
}

bool KeyboardPage::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    const bool press = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
    if (!press && type != QEvent::MouseButtonRelease)
        return false;
    if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
        return false;
    for (int dir = 0; dir < 2; ++dir) {
        for (int i = 0; i < pages::Size; ++i) {
            QPushButton* key = keys_[size_t(dir)][size_t(i)];
            if (key != watched)
                continue;
            if (press && key->isEnabled()) {
                held_ = core_.keyboard.press(i, dir) ? key : nullptr;
            } else if (!press && held_ == key) {
                held_ = nullptr;
                core_.keyboard.release();
            }
            return false;
        }
    }
    return false;
}
