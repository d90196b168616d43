#pragma once
// Identifying the command station: its slot-0 answer, its serial number
// and software version, and the texts of the two labels.

#include "core/services.h"
#include "requests/engine.h"

#include <QObject>
#include <QString>
#include <memory>

class Slots;
namespace ln {
class Msg;
}

// Label texts for a station type and an interface type.
QString station_text(int stationType);
QString interface_text(int ifType);
// A version number as shown: three decimals with a point (1.55 -> "1.550").
QString version_text(double version);

class Identify : public QObject {
    Q_OBJECT
  public:
    Identify(const Services& s, Slots& slotTable);

    // True when the stored slot-0 message matches the pattern (byte 7, the
    // track status, is not compared).
    bool slot_match(const QString& pattern) const;

    // Asks slot 0: the station type and its power state (the connect
    // sequence's first job). Null when it cannot run.
    std::shared_ptr<Job> identify_station();
    // Asks serial number and version; the answers go to version_shown.
    std::shared_ptr<Job> ask_version(ReqEngine::Caller caller = ReqEngine::Caller::Quiet);

    double StationSerial = -1;
    double StationVersion = -1;

    static constexpr double Slot0Timeout = 1.0;
    static constexpr double AnswerTimeout = 2.0;

  signals:
    // Both answers are in: the Version window's labels.
    void version_shown(const QString& serial, const QString& version);

  private:
    class IdentifyJob;
    class VersionJob;
    void identified();
    void rx_serial(const ln::Msg& m);
    void rx_version(const ln::Msg& m);

    Services s_;
    Slots& slots_;
};
