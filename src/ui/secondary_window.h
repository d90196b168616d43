#pragma once
// What every secondary window of the main window shares: made as a
// (non-modal) dialog of the main window, so the window manager keeps it over
// the main window; Escape closes (hides) it; it is wide enough for its title.

class QWidget;

void fit_secondary(QWidget* window);
// The width the window's title needs in the title bar.
int title_bar_width(const QWidget* window);
