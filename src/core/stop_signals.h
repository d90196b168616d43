#pragma once
// Ends a program cleanly when the system asks it to (SIGTERM, SIGINT, SIGHUP
// where those exist): the given function runs from the event loop, never
// inside a signal handler, so it may close ports and write files. A second
// request while ending ends the process at once. One instance per process.

#include <QObject>
#include <functional>

class QSocketNotifier;

class StopSignals : public QObject {
    Q_OBJECT
  public:
    explicit StopSignals(std::function<void()> stop, QObject* parent = nullptr);
    ~StopSignals() override;

  private:
    void requested();

    std::function<void()> stop_;
    QSocketNotifier* notifier_ = nullptr;
    bool stopping_ = false;
};
