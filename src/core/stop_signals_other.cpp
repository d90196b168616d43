// Systems without POSIX signals: closing the main window (or ending the
// console program) is the way to stop, so there is nothing to watch.

#include "stop_signals.h"

#ifndef Q_OS_UNIX

StopSignals::StopSignals(std::function<void()> stop, QObject* parent)
    : QObject(parent), stop_(std::move(stop))
{
}

StopSignals::~StopSignals() = default;

void StopSignals::requested() {}

#endif
