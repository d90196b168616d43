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
    // A message with a key tells of a condition that can end: shown again
    // under the same key it takes the place of the one still open, and
    // withdraw() takes it away once the condition is over.
    void show(const QString& title, const QString& text, MsgIcon icon = MsgIcon::Critical,
              const QString& key = {})
    {
        emit shown(title, text, icon, key);
    }
    void withdraw(const QString& key) { emit withdrawn(key); }

  signals:
    void shown(const QString& title, const QString& text, MsgIcon icon, const QString& key = {});
    void withdrawn(const QString& key);
};

// Titles used by more than one subsystem.
namespace titles {
inline const QString LocoNetFehler = QStringLiteral("LocoNet Fehler");
inline const QString Fehler = QStringLiteral("Fehler");
inline const QString Hinweis = QStringLiteral("Hinweis");
} // namespace titles
