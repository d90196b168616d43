#include "secondary_window.h"

#include <QShortcut>
#include <QWidget>
#include <algorithm>

void fit_secondary(QWidget* window)
{
    new QShortcut(QKeySequence(Qt::Key_Escape), window, window, &QWidget::close);
    window->setMinimumWidth(std::max(window->minimumWidth(), title_bar_width(window)));
}

int title_bar_width(const QWidget* window)
{
    // The title bar's font and buttons are the window manager's; the
    // window's font and this much room for icon and buttons are a fair guess.
    constexpr int iconAndButtons = 140;
    return window->fontMetrics().horizontalAdvance(window->windowTitle()) + iconAndButtons;
}
