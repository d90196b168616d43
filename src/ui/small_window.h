#pragma once
// Pieces shared by the small windows of the main window: number fields that
// turn red while their text cannot be used, Escape closing the window, and
// room for the title.

class QBoxLayout;
class QFont;
class QLineEdit;
class QMessageBox;
class QPushButton;
class QString;
class QWidget;

// Black text for a usable entry, red for one that is not.
void show_valid(QLineEdit* edit, bool valid);
// A number field: fixed-width font, at most `digits` digits wide.
QLineEdit* number_edit(const char* name, int digits);
// A button named as its control, which Enter in a field does not press.
QPushButton* named_button(const char* name, const QString& caption);
// Red while the field's text is no number 0..max (empty is fine).
void colour_as_typed(QLineEdit* edit, int max);
// Escape hides the window, as closing it does.
void hide_on_escape(QWidget* window);
// Escape closes the window as its close button does (which may ask first).
void close_on_escape(QWidget* window);
// Makes a window's vertical layout wide enough for its title, which the
// title bar would otherwise cut short.
void fit_title(QBoxLayout* layout, const QString& title);
// The same for a message box, which otherwise sizes itself to its text.
void fit_title(QMessageBox* box);
// The width a title needs in a title bar, for windows of this font.
int title_bar_width(const QFont& font, const QString& title);
// The first time the window is shown, puts it over the middle of its
// parent's window, whole on the parent's screen (a window manager would
// centre it even where that reaches below the screen).
void place_over_parent_once(QWidget* window);
