#pragma once
// What every secondary window of the main window shares: Escape closes
// (hides) it, and it is wide enough for its title.

class QWidget;

void fit_secondary(QWidget* window);
// The width the window's title needs in the title bar.
int title_bar_width(const QWidget* window);
