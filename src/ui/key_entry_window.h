#pragma once
// A small window that takes a number from the keyboard and acts on it with
// a letter key or one of its two buttons (Taste_Wadr, Taste_Radr). The
// typing rules and what the letters do live in the core's KeyEntry; the
// window only shows the number and hides when told.

#include <QString>
#include <QWidget>
#include <array>

class KeyEntry;
class QLabel;

struct KeyEntryLook {
    const char* name; // the window's objectName
    QString title;
    const char* numberName; // the label showing the number typed
    QString label1, label2; // before the number; the keys below it
    struct Button {
        const char* name;
        QString caption;
        int colour;
        int keyCode; // the letter the button stands for
    };
    std::array<Button, 2> buttons;
};

class KeyEntryWindow : public QWidget {
    Q_OBJECT
  public:
    KeyEntryWindow(KeyEntry& entry, const KeyEntryLook& look, QWidget* parent);

    // Opened by a digit typed on the page: the number starts with it.
    void open(int digit);

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    KeyEntry& entry_;
    QLabel* number_;
};
