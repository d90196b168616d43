#pragma once
// The number typed into a small key-entry window (Taste_Wadr, Taste_Radr):
// a digit appends and only the last four stay, Backspace or Delete drops
// the last one. A letter key acts on the number and the window hides,
// unless the action was refused; Escape hides it without acting. Key codes are the Windows virtual
// keys.

#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <type_traits>

class KeyEntry : public QObject {
    Q_OBJECT
  public:
    // Gets the number typed: 0 when nothing is typed. False when the action
    // was refused: the window stays open.
    using Action = std::function<bool(int number)>;

    static constexpr int Backspace = 8, Escape = 27, Delete = 46;
    static constexpr int MaxDigits = 4;

    // An action without a result is never refused.
    template <class F> void add_letter(int keyCode, F action)
    {
        if constexpr (std::is_void_v<std::invoke_result_t<F, int>>)
            letters_[keyCode] = [action](int n) {
                action(n);
                return true;
            };
        else
            letters_[keyCode] = Action(std::move(action));
    }

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
