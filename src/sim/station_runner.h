#pragma once
// Runs a virtual station on the event loop: it answers as soon as a message
// arrives (plus its configured delay) and wakes otherwise only when one of
// its own answers or demo events is due. Idle, it does not run at all.

#include <QObject>
#include <QTimer>
#include <functional>

class Clock;
class Port;

namespace sim {

class VirtualStation;

class StationRunner : public QObject {
    Q_OBJECT
  public:
    // The station's end of the bus is `port`. `alsoDue` and `alsoRun` let a
    // second piece of work share the wake-ups (a link serving LbServer
    // clients); both may be empty.
    StationRunner(VirtualStation& station, Port& port, const Clock& clock,
                  std::function<double()> alsoDue = {}, std::function<void()> alsoRun = {});

    // Polls now and sets the next wake-up.
    void run();

  private:
    VirtualStation& station_;
    const Clock& clock_;
    std::function<double()> alsoDue_;
    std::function<void()> alsoRun_;
    QTimer timer_;
};

} // namespace sim
