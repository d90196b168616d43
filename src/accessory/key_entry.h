#pragma once
// The number typed into a small key-entry window (Taste_Wadr, Taste_Radr):
// a digit appends and only the last four stay, Backspace or Delete drops
// the last one. A letter key acts on the number and the window hides;
// Escape hides it without acting. Key codes are the Windows virtual keys.

#include <QObject>
#include <QString>
#include <functional>
#include <map>

class KeyEntry : public QObject {
    Q_OBJECT
  public:
    // Gets the number typed: 0 when nothing is typed.
    using Action = std::function<void(int number)>;

    static constexpr int Backspace = 8, Escape = 27, Delete = 46;
    static constexpr int MaxDigits = 4;

    void add_letter(int keyCode, Action action) { letters_[keyCode] = std::move(action); }

    // Opened by a digit typed on the page: the number starts with it.
    void open(int digit);
    void keydown(int keyCode);
    const QString& text() const { return text_; }

  signals:
    void text_changed(const QString& text);
    void hide_window();

  private:
    void set_text(const QString& text);

    QString text_;
    std::map<int, Action> letters_;
};
