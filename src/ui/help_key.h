#pragma once
// F1 in any window of the program opens the help. One filter on the
// application sees the key release of every widget in every window,
// including windows added later.

#include <QObject>
#include <functional>

class HelpKey : public QObject {
    Q_OBJECT
  public:
    HelpKey(std::function<void()> openHelp, QObject* parent);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::function<void()> openHelp_;
};
