#pragma once
// Pieces shared by the small settings windows: number fields that turn red
// while their text cannot be used, and Escape closing the window.

class QBoxLayout;
class QLineEdit;
class QString;
class QWidget;

// Black text for a usable entry, red for one that is not.
void show_valid(QLineEdit* edit, bool valid);
// A number field: fixed-width font, at most `digits` digits wide.
QLineEdit* number_edit(const char* name, int digits);
// Escape hides the window, as closing it does.
void hide_on_escape(QWidget* window);
// Makes a window's vertical layout wide enough for its title, which the
// title bar would otherwise cut short.
void fit_title(QBoxLayout* layout, const QString& title);
