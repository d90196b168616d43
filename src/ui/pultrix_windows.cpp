#include "pultrix_windows.h"

#include "f70930.h"

#include "loco/loco_list.h"
#include "loco/pultrix.h"

#include <QScreen>

PultrixWindows::PultrixWindows(Pultrix& pultrix, const LocoList& list, QWidget* mainWin)
    : QObject(mainWin), pultrix_(pultrix), list_(list), mainWin_(mainWin)
{
    connect(&pultrix_, &Pultrix::window_opened, this, &PultrixWindows::window_opened);
    connect(&pultrix_, &Pultrix::entry_reopened, this, [this](int w) {
        if (F70930* win = window(w)) {
            win->reopen();
            win->show();
            win->raise();
        }
    });
    connect(&pultrix_, &Pultrix::px_show, this, [this](int w, const PxView& v) {
        if (F70930* win = window(w))
            win->px_show(v);
        show_name(w);
    });
    connect(&list_, &LocoList::changed, this, [this] {
        for (int w = 1; w <= Pultrix::Windows; ++w)
            show_name(w);
    });
}

void PultrixWindows::show_name(int w)
{
    if (F70930* win = window(w))
        win->show_name(list_.name(pultrix_.PxWinTab[size_t(w)].Adr));
}

F70930* PultrixWindows::window(int w) const
{
    return w >= 1 && w <= Pultrix::Windows ? windows_[size_t(w)] : nullptr;
}

void PultrixWindows::window_opened(int w)
{
    if (w < 1 || w > Pultrix::Windows)
        return;
    F70930*& win = windows_[size_t(w)];
    if (!win)
        win = new F70930(pultrix_, w, mainWin_);
    win->open_new(pultrix_.PxWinTab[size_t(w)].Dev);
    place(win);
    win->show();
    win->raise();
}

void PultrixWindows::place(F70930* w)
{
    // A window not yet shown has no frame; the main window's tells its size.
    w->adjustSize();
    const QSize frame = w->size() + mainWin_->frameGeometry().size() - mainWin_->size();
    w->move(Pultrix::tile_position(w->tag(), frame, mainWin_->screen()->availableGeometry()));
}
