#pragma once
// Shows every message of the core as a message box that does not block:
// the program goes on ticking while the box is open.

#include "core/messages.h"

#include <QObject>

class QWidget;

class MessagePresenter : public QObject {
    Q_OBJECT
  public:
    // Boxes are shown over parent (may be null).
    MessagePresenter(MessageService& msgs, QWidget* parent);

    void present(const QString& title, const QString& text, MsgIcon icon);

  private:
    QWidget* parent_;
};
