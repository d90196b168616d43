#include "speed_curve.h"

#include "programming.h"

#include <algorithm>
#include <cstdlib>

void SpeedCurve::set_axes(int x0, int yb, int xLength, int yLength)
{
    x0_ = x0;
    yb_ = yb;
    xLength_ = xLength;
    yLength_ = yLength;
    layout();
}

int SpeedCurve::range() const
{
    return prog_.SpeedRange == 256 ? 256 : 128;
}

int SpeedCurve::sy() const
{
    return std::max(1, yLength_ / range());
}

void SpeedCurve::layout()
{
    for (int i = 0; i < Points; ++i)
        pos_[size_t(i)] = {x0_ + i * dx() + 9, yb_ - prog_.value(FirstCv + i) * sy()};
}

int SpeedCurve::value_at(int y) const
{
    return (yb_ - y) / sy();
}

int SpeedCurve::hit(QPoint p) const
{
    for (int i = 0; i < Points; ++i)
        if (std::abs(pos_[size_t(i)].x() - p.x()) < 5 && std::abs(pos_[size_t(i)].y() - p.y()) < 5)
            return i;
    return -1;
}

bool SpeedCurve::drag(int y)
{
    if (selected_ < 0)
        return false;
    const int v = value_at(y);
    if (v < 0 || v > range() - 1)
        return false;
    // The point follows the mouse; its CV takes the value under it.
    pos_[size_t(selected_)].setY(y);
    prog_.set_value(FirstCv + selected_, v);
    return true;
}
