#include "key_code.h"

#include <QKeyEvent>

int key_code(const QKeyEvent& event)
{
    const int k = event.key();
    // Digits of the number block count as digits.
    if ((k >= Qt::Key_0 && k <= Qt::Key_9) || (k >= Qt::Key_A && k <= Qt::Key_Z))
        return k;
    if (k >= Qt::Key_F1 && k <= Qt::Key_F12)
        return 112 + (k - Qt::Key_F1);
    switch (k) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Pause: return 19;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_Delete: return 46;
    // The throttles' direction keys: "-" and the "<" key beside the left shift.
    case Qt::Key_Minus:
    case Qt::Key_Underscore: return 189;
    case Qt::Key_Less:
    case Qt::Key_Greater: return 226;
    default: return -1;
    }
}
