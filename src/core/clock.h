#pragma once
// Monotonic seconds. Every time-out compares two readings of one clock, so
// the time of day (and midnight) plays no part; tests advance a fake clock.

#include <QElapsedTimer>

class Clock {
  public:
    virtual ~Clock() = default;
    virtual double now() const = 0;
};

class SteadyClock : public Clock {
  public:
    SteadyClock() { t_.start(); }
    double now() const override { return double(t_.nsecsElapsed()) / 1e9; }

  private:
    QElapsedTimer t_;
};

class FakeClock : public Clock {
  public:
    double now() const override { return t_; }
    void advance(double seconds) { t_ += seconds; }
    void set(double t) { t_ = t; }

  private:
    double t_ = 1000.0;
};
