#pragma once
// The data format (track protocol and speed steps) that the command station
// uses for one loco address: read and written for the loco-settings window.

#include "core/services.h"
#include "loconet/views.h"
#include "requests/engine.h"

#include <QObject>
#include <optional>

class Slots;
namespace ln {
class Msg;
}

class LocoSettings : public QObject {
    Q_OBJECT
  public:
    LocoSettings(const Services& s, Slots& slotTable);

    static constexpr int MaxAddress = ln::MaxLocoAddress;
    static constexpr int NoEntry = 5;        // the list's "-"
    static constexpr double AnswerTimeout = 2.0;

    // List entry for a code read; NoEntry for a format the list does not offer.
    static int entry_of_code(int code);
    // Code written for a list entry (the code read plus 64); -1 for "-".
    static int code_of_entry(int entry);
    // A loco address typed into a window; nullopt when it cannot be sent,
    // which the window says with AddressRefusal.
    static std::optional<int> address(const QString& text);
    static inline const QString AddressRefusal =
        QStringLiteral("Bitte eine Lokadresse von 1 bis 16383 eingeben!");

    int LokCfgExtra = 0; // second data byte of the last answer for extraAdr_

    // Asks for the format of adr; the answer selects its list entry. The
    // window reads on its own: when that cannot run now, false without a box.
    bool read(int adr);
    // Writes the format of a list entry for adr; the throttles that hold adr
    // read the new format at their next action. False for "-", and when
    // refused with a box (not connected, a long job runs).
    bool write(int adr, int entry);
    // The window was closed, or its list chosen: a late answer no longer changes it.
    void cancel();

  signals:
    void format_read(int adr, int entry);
    // A new format for adr is on its way to the station.
    void format_written(int adr);

  private:
    class ReadJob;
    void rx_answer(const ln::Msg& m);

    Services s_;
    Slots& slots_;
    std::weak_ptr<Job> read_; // the read whose answer the window waits for
    int extraAdr_ = -1;       // address LokCfgExtra belongs to
};
