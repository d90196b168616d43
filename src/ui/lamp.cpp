#include "lamp.h"

#include <QPainter>

QColor lamp_colour(int colour)
{
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

Lamp::Lamp(int colour, Shape shape, QWidget* parent)
    : QWidget(parent), colour_(colour), shape_(shape)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void Lamp::setColour(int colour)
{
    if (colour == colour_)
        return;
    colour_ = colour;
    update();
}

void Lamp::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(palette().color(QPalette::WindowText), 1));
    p.setBrush(lamp_colour(colour_));
    const int side = qMin(width(), height()) - 2;
    const QRectF r((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    if (shape_ == Shape::Circle)
        p.drawEllipse(r);
    else
        p.drawRect(r);
}
