#pragma once
// The two throttle panels over the loco drivers 0 and 1: what each panel
// action asks of its driver and what a panel shows of its loco. The panels
// are thin windows over this.

#include "core/services.h"

#include <QObject>
#include <QString>
#include <array>

class Drivers;
class Slots;
struct SlotRec;

// Speed step shown for LocoNet speed value v (0..127) of a loco with that
// many speed steps; -1 for a step count that has no column.
int speed_step(int v, int steps);
// LocoNet speed of a digit key 0..9: 0, 14, 28, ... 127 (never the
// emergency stop 1).
int digit_speed(int digit);
// Picture file of a loco state: lights (F0), F1, F2 as 0/1, direction
// 0 forward or 1 reverse.
QString lok_picture_name(int f0, int f1, int f2, int dir);
// Picture of a panel without a loco, and of a state without its own picture.
inline const QString LokBlankPicture = QStringLiteral("Lok0.bmp");
// The number a text starts with, 0 when there is none; anything above
// limit comes back as limit + 1.
int leading_number(const QString& text, int limit);
// Loco address typed into a panel: the number the text starts with; 0 when
// there is none or it is no loco address (1..16383).
int lok_address(const QString& text);
// What a panel shows of its loco. An indicator colour of -1 and a null
// speed text leave the control as it is.
struct PanelView {
    std::array<int, 29> fkt{};
    QString picture;
    int scroll = 0;
    QString format;
    QString speed;
    bool reload = false; // the loco's slot data arrived: the picture is loaded anew
};

class Throttle : public QObject {
    Q_OBJECT
  public:
    Throttle(const Services& s, Slots& table, Drivers& drivers);

    static constexpr int Functions = 29; // F0..F28 per panel
    static constexpr int Greyed = 13;    // F0..F12 are greyed when the panel is blanked

    // The address typed on each panel, kept by the panel's address field.
    std::array<int, 2> LokAdr{};
    // Speed of each panel as a fraction 0..1, drawn by its speed pointer.
    std::array<double, 2> SpeedFrac{};

    // A key in the address field of panel i: the panel forgets its loco at
    // once; Enter also binds the loco typed (an address outside 1..16383 is
    // ignored). True when a loco is being bound.
    bool address_key(int i, const QString& text, bool enter);
    // The speed bar of panel i took value 0..126; scrolling while it is
    // dragged. False when the panel has no address: the bar goes back to 0.
    bool change_fst(int i, int value, bool scrolling);
    void set_dir(int d, int i);
    void chge_dir(int i);
    // Turns the loco round without a speed command. True when the panel shows
    // speed 0 now.
    bool picture_click(int i);
    // Function button 29 * panel + function.
    void FCmd_Click(int index);
    // The driving keys of throttle page i (digits, Escape, F1..F12, the
    // direction keys); other keys do nothing.
    void keydown(int i, int keyCode);

    PanelView view(int i) const;

  signals:
    void panel_reset(int i);
    void panel_shown(int i, const PanelView& view);

  private:
    // The panel's loco for an action: bound to the address typed, or being bound.
    bool drive(int i);
    void lok_show(int i, bool reload);
    void lok_reset(int i);

    Services s_;
    Slots& slots_;
    Drivers& drivers_;
};
