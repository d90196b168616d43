#pragma once
// The windows of the Pultrix throttle devices: one per entry of the core's
// table, made when the entry is first used and kept for reuse after the
// user closes it.

#include <QObject>
#include <array>

class F70930;
class LocoList;
class Pultrix;
class QWidget;

class PultrixWindows : public QObject {
    Q_OBJECT
  public:
    PultrixWindows(Pultrix& pultrix, const LocoList& list, QWidget* mainWin);

    // The window of entry w, null while that entry never had one.
    F70930* window(int w) const;

  private:
    void window_opened(int w);
    void place(F70930* w);
    void show_name(int w);

    Pultrix& pultrix_;
    const LocoList& list_;
    QWidget* mainWin_;
    std::array<F70930*, 21> windows_{}; // entries 1..20
};
