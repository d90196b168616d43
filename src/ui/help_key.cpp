#include "help_key.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

HelpKey::HelpKey(std::function<void(QWidget*)> openHelp, QObject* parent)
    : QObject(parent), openHelp_(std::move(openHelp))
{
    QCoreApplication::instance()->installEventFilter(this);
}

bool HelpKey::eventFilter(QObject* watched, QEvent* event)
{
    // The release, not the press: the press of F1 belongs to the throttle
    // keys (function F1) and must reach them. Only the widget's delivery is
    // taken, so the window's own copy of the event does not open it twice.
    if (event->type() == QEvent::KeyRelease && watched->isWidgetType()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F1 && !key->isAutoRepeat()) {
            openHelp_(static_cast<QWidget*>(watched));
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
