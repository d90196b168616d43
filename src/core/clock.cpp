#include "clock.h"

#include <QTimer>
#include <algorithm>
#include <cmath>

double earliest(std::initializer_list<double> dues)
{
    double due = -1;
    for (const double d : dues)
        if (d >= 0 && (due < 0 || d < due))
            due = d;
    return due;
}

void wake_at(QTimer& timer, const Clock& clock, double due, int lateMs)
{
    if (due < 0) {
        timer.stop();
        return;
    }
    const double ms = std::ceil((due - clock.now()) * 1000.0) + lateMs;
    timer.start(int(std::clamp(ms, 0.0, 3.6e6)));
}
