#pragma once
// Monotonic seconds. Every time-out compares two readings of one clock, so
// the time of day (and midnight) plays no part; tests advance a fake clock.

#include <QElapsedTimer>
#include <initializer_list>

class QTimer;

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

// The earliest of some due times (clock readings); a negative one means
// nothing is due there. -1 when nothing is due at all.
double earliest(std::initializer_list<double> dues);

// Sets a single-shot timer to fire at the clock reading due, lateMs after
// it (a time-out is "more than" its limit); stops it when due is negative.
void wake_at(QTimer& timer, const Clock& clock, double due, int lateMs = 1);
