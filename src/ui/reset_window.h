#pragma once
// Resetting the command station's configuration or its loco data formats,
// then ten seconds of a blinking notice while the station starts again.

#include <QWidget>
#include <array>

class Application;
class QLabel;
class QPushButton;
class QStackedWidget;
class QTimer;

class ResetWindow : public QWidget {
    Q_OBJECT
  public:
    explicit ResetWindow(Application& core, QWidget* parent = nullptr);

    static constexpr int BlinkInterval = 250; // ms
    static constexpr int WaitTicks = 40;      // ten seconds

    // One tick of TimerWarten.
    void timer_warten();

  private:
    void konf_clicked(int index);

    Application& core_;
    std::array<QPushButton*, 3> KonfBut{};
    QLabel* WartenLbl;
    QStackedWidget* pages_; // the buttons, or the notice in their place
    QTimer* TimerWarten;
    int ticks_ = 0;
    bool blink_ = false;
};
