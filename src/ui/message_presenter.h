#pragma once
// Shows every message of the core as a message box that does not block:
// the program goes on ticking while the box is open. A message with a key
// has one box at most, which the core can close again.

#include "core/messages.h"

#include <QHash>
#include <QObject>
#include <QPointer>

class QMessageBox;
class QWidget;

class MessagePresenter : public QObject {
    Q_OBJECT
  public:
    // Boxes are shown over parent (may be null).
    MessagePresenter(MessageService& msgs, QWidget* parent);

    void present(const QString& title, const QString& text, MsgIcon icon, const QString& key);
    void withdraw(const QString& key);

  private:
    QWidget* parent_;
    QHash<QString, QPointer<QMessageBox>> keyed_; // the open box of each key
};
