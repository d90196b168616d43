#include "speed_pointer.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace {
constexpr int Margin = 6;
}

SpeedPointer::SpeedPointer(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    setMaximumHeight(260);
}

bool SpeedPointer::step(double frac)
{
    const double target = qBound(0.0, frac, 1.0);
    double next = 0.75 * level_ + 0.25 * target;
    // Closer than a thousandth of the scale is there: no pixel would move.
    if (std::abs(next - target) < 0.001)
        next = target;
    if (next == level_)
        return false;
    level_ = next;
    update();
    return true;
}

double SpeedPointer::lineY(int k) const
{
    const double bottom = height() - Margin, top = Margin;
    return bottom - (bottom - top) * k / (Lines - 1);
}

void SpeedPointer::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink = palette().color(QPalette::WindowText);
    p.setPen(QPen(ink, 1));
    const double scaleX = width() * 0.55;
    for (int k = 0; k < Lines; ++k)
        p.drawLine(QPointF(scaleX, lineY(k)), QPointF(width() - 2, lineY(k)));
    p.drawLine(QPointF(scaleX, lineY(0)), QPointF(scaleX, lineY(Lines - 1)));

    // The pointer: a triangle aiming at the scale, with its line across it.
    const double y = lineY(0) - (lineY(0) - lineY(Lines - 1)) * level_;
    QPainterPath tri;
    tri.moveTo(2, y - 5);
    tri.lineTo(scaleX - 3, y);
    tri.lineTo(2, y + 5);
    tri.closeSubpath();
    p.fillPath(tri, palette().color(QPalette::Highlight));
    p.setPen(QPen(palette().color(QPalette::Highlight), 2));
    p.drawLine(QPointF(scaleX - 3, y), QPointF(width() - 2, y));
}
