#pragma once
// F1 in any window of the program opens the help, at the part about the
// window the key was pressed in. One filter on the application sees the
// key release of every widget in every window, including windows added
// later.

#include <QObject>
#include <functional>

class QWidget;

class HelpKey : public QObject {
    Q_OBJECT
  public:
    // openHelp gets the widget that has the focus.
    HelpKey(std::function<void(QWidget*)> openHelp, QObject* parent);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::function<void(QWidget*)> openHelp_;
};
