#include "key_entry.h"

void KeyEntry::open(int digit)
{
    set_text(QString::number(digit));
}

void KeyEntry::keydown(int keyCode)
{
    if (keyCode == Backspace || keyCode == Delete) {
        set_text(text_.chopped(text_.isEmpty() ? 0 : 1));
    } else if (keyCode >= '0' && keyCode <= '9') {
        set_text((text_ + QChar(keyCode)).right(MaxDigits));
    } else if (keyCode == Escape) {
        emit hide_window();
    } else if (const auto it = letters_.find(keyCode); it != letters_.end()) {
        if (it->second(text_.toInt())) // at most four digits: always readable
            emit hide_window();
    }
}

void KeyEntry::set_text(const QString& text)
{
    text_ = text;
    emit text_changed(text_);
}
