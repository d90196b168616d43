#pragma once
// One way for the core to tell the user something: (title, text, icon).
// The window layer shows it without blocking; tests collect it.

#include <QObject>
#include <QString>

enum class MsgIcon { None, Critical, Information, Warning, Question };

class MessageService : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    void show(const QString& title, const QString& text, MsgIcon icon = MsgIcon::Critical)
    {
        emit shown(title, text, icon);
    }

  signals:
    void shown(const QString& title, const QString& text, MsgIcon icon);
};

// Titles used by more than one subsystem.
namespace titles {
inline const QString LocoNetFehler = QStringLiteral("LocoNet Fehler");
inline const QString Fehler = QStringLiteral("Fehler");
} // namespace titles
