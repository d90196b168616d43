#pragma once
// The route engine: carries out requested routes one at a time, one step
// per pass, writing its messages straight into the transmit buffer; paints
// the sixteen indicators of the memory panel; and runs the triggers that
// request or release routes on switch and sensor reports. A pass runs every
// 10 ms only while a route is carried out, waits or blinks, and when a flag
// changes; otherwise the engine sleeps.

#include "core/services.h"
#include "routes/route_table.h"

#include <QObject>
#include <QString>
#include <array>
#include <cstdint>

class RoutePanel;

class RouteEngine : public QObject {
    Q_OBJECT
  public:
    RouteEngine(const Services& s, RouteTable& table, const RoutePanel& panel);

    static constexpr int BlinkPeriod = 40; // passes
    static constexpr double PassPeriod = 0.01;
    static constexpr double NoWake = -1;

    // Start values: no route being carried out, no wait.
    void reset();
    void route_engine();
    // When the next pass is due; negative while nothing needs one.
    double next_due() const;

    // A switch report with the output on (a 0-based, dir 1 green) and a
    // sensor report (s 0-based, level 1 occupied): routes whose request
    // trigger matches are requested, those whose release trigger matches
    // lose their active flag.
    void route_trigger_ma(int a, int dir);
    void route_trigger_rm(int s, int level);

    // The whole second nearest to now + seconds (a half to the even one);
    // a negative or unreadable delay counts as none.
    static double wake_time(double now, double seconds);

    int FsAktRow = -1;      // route being carried out, -1 none
    int FsAktCol = 0;       // column of its current step
    double FsWake = NoWake; // a wait ends once the clock has passed it
    int FsHold = -1;        // 1: the whole engine waits, -1: only the step
    int MagPhase = -1;      // accessory step: 0 on due, 1 on sent, 2 off sent
    int MagAdr = -1;        // accessory of that step (1-based); -1 no step
    int MagDir = 0;         // 0 red, 1 green; kept from step to step
    int BlinkCnt = 0;
    QString FsStatTxt;         // what the engine does
    QString BefNrTxt;          // step number or "-"
    std::array<int, 16> FsAnz; // indicator colours as last painted

  signals:
    void fs_anz(int index, int colour);
    void status_shown(const QString& status, const QString& step);

  private:
    // A flag cell changed (or the whole table): its flags are read once here.
    void flags_changed(int first, int last);
    void show_routes();
    int route_state(int r, bool shown);
    int next_route() const;
    void start_step(double now);
    void accessory_phase(double now);
    void hold_then_next(double now, double seconds);
    void finish_route();
    void route_command(int n, const QString& cmd);
    void show_status(const QString& status, const QString& step);
    void trigger(bool sensor, int number, int value);

    enum FlagBits : uint8_t {
        ActiveSet = 1,
        RequestedSet = 2,
        BlockedSet = 4,
        ActiveAny = 8, // any text in the cell
        BlockedAny = 16
    };

    Services s_;
    RouteTable& table_;
    const RoutePanel& panel_;
    std::array<uint8_t, RouteTable::Rows> flags_{}; // per route, as its flag cells read
    double lastPass_ = -1;
};
