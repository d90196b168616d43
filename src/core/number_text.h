#pragma once
// The number fields of the settings and programming windows: which texts
// they accept while typing, and the number a text holds.

#include <QString>
#include <optional>

// True for "-", an empty text or digits only: what a number field may show
// while it is being typed into (black); anything else is shown red.
bool is_number_text(const QString& text);

// The number a text of digits holds, when it lies in min..max; nullopt for
// "-", an empty text, anything else, or a number out of range. A text that
// cannot be read is never taken as 0.
std::optional<int> number_in(const QString& text, int min, int max);

// What a number field accepts while typing: is_number_text, and a number
// typed lies in min..max. Nothing typed yet ("-", empty) is acceptable.
bool number_text_in(const QString& text, int min, int max);
