#pragma once
// Feedback panel logic: the last reported state of every sensor, the page
// of 16 sensors shown, the sensor reports that colour the indicators and
// feed the route triggers, and sending a report by button or typed number.

#include "accessory/key_entry.h"
#include "core/services.h"

#include <QObject>
#include <array>

namespace ln {
class Msg;
}

class Feedback : public QObject {
    Q_OBJECT
  public:
    explicit Feedback(const Services& s);

    // A report carries 12 bits: every number it can name has its entry,
    // although the panel pages only the first 2048.
    static constexpr int Sensors = 4096;
    static constexpr int PanelSensors = 2048;

    // Per 0-based sensor: -1 not yet reported, 0 free, 1 occupied.
    std::array<int, Sensors> RmState;
    int RmBase = 0; // 0-based number of the first sensor of the page

    // Start values: nothing reported, page 1.
    void reset();

    // RMNrCo_Click: a page other than the one shown is repainted; the
    // texts are rewritten in every case.
    void select_page(int index);
    // RMChgBut(i): sends the opposite of the state shown; the state
    // changes when the report comes back.
    void change(int i);
    // Taste_Radr: a report for the 1-based number; outside 1..2048 nothing.
    // Both are the user's: refused with a box when they cannot run now
    // (send_report is false then).
    bool send_report(int number, int level);

    // Number typed in the key-entry window; "F" free, "B" occupied.
    KeyEntry Taste_Radr;

    // The state word a report for s would send: the opposite of its state.
    QString rm_text(int s) const;
    // Entry k of RMNrCo.
    static QString page_entry(int k);
    QString button_tip(int i) const;
    // Indicator colour of sensor s.
    int anz_colour(int s) const;

  signals:
    // RM_Anz(index) takes the colour; the tool tip of RMChgBut(index) follows it.
    void rm_anz(int index, int colour);
    // The page shown, its range label and tool tips are to be drawn.
    void page_shown(int index);
    // Every sensor report, whatever page is shown.
    void route_trigger_rm(int s, int level);

  private:
    void sensor_report(const ln::Msg& m);
    bool report(int s, int level);
    int state(int s) const { return s >= 0 && s < Sensors ? RmState[size_t(s)] : -1; }

    Services s_;
};
