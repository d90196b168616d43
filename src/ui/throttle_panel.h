#pragma once
// One throttle panel of the main window ("Fahrpult 1" or "Fahrpult 2"):
// address, speed bar with its pointer, direction, functions F0..F28, data
// format, speed step and the loco picture. It reads its controls and calls
// the core; the core tells it what to show.

#include <QWidget>
#include <array>

class Application;
class Lamp;
class LocoPicture;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QTimer;
class SpeedPointer;
struct PanelView;

class ThrottlePanel : public QWidget {
    Q_OBJECT
  public:
    ThrottlePanel(Application& core, int panel, QWidget* parent = nullptr);

    QLineEdit* address_field() const { return LokAdr; }
    // One step of the speed pointer (Zeiger_Timer); the timer stops once
    // the pointer stands at the speed shown.
    void zeiger_timer();

  private:
    QWidget* build_loco();
    QWidget* build_speed();
    QWidget* build_functions();
    void lok_reset();
    void lok_show(const PanelView& v);
    // The loco list's name of the panel's loco.
    void show_name();
    void zeiger_start();

    Application& core_;
    const int i_;
    QLineEdit* LokAdr = nullptr;
    QLabel* ProtLbL = nullptr;
    QLabel* LokName = nullptr;
    QLabel* SpeedLbl = nullptr;
    LocoPicture* LokImage = nullptr;
    QScrollBar* FSTScroll = nullptr;
    SpeedPointer* Zeiger = nullptr;
    QTimer* Zeiger_Timer = nullptr;
    std::array<QPushButton*, 2> DIR{};
    std::array<QPushButton*, 29> FCmd{};
    std::array<Lamp*, 29> FKT{};
};
