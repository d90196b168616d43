#pragma once
// Geometry of the speed-curve editor: where the 28 points of CVs 67..94
// stand over the axes, which point the mouse hits, and what dragging one
// does to its CV. The window only paints what this says.

#include <QPoint>
#include <array>

class Programming;

class SpeedCurve {
  public:
    static constexpr int Points = 28;
    static constexpr int FirstCv = 67;

    explicit SpeedCurve(Programming& prog) : prog_(prog) {}

    // The axes: origin x of the value axis, baseline y, and the drawn
    // lengths of the step axis (x) and the value axis (y), in pixels.
    void set_axes(int x0, int yb, int xLength, int yLength);
    int x0() const { return x0_; }
    int yb() const { return yb_; }
    int dx() const { return xLength_ / Points; }
    // Pixels per value unit; the value axis is at least as long as the range.
    int sy() const;
    int range() const;
    // Value-axis ticks every 10 units for the range 128, every 20 for 256.
    int tick_step() const { return range() == 256 ? 20 : 10; }

    // Recomputes every point from the CV values.
    void layout();
    QPoint point(int i) const { return pos_[size_t(i)]; }
    int value_at(int y) const;

    // The first point within 4 pixels of (x, y), or -1.
    int hit(QPoint p) const;
    // A mouse press picks the point to drag (or none).
    void press(QPoint p) { selected_ = hit(p); }
    int selected() const { return selected_; }
    // Dragging the selected point to height y; true when its value changed.
    bool drag(int y);

  private:
    Programming& prog_;
    int x0_ = 0, yb_ = 0, xLength_ = 0, yLength_ = 0;
    int selected_ = -1;
    std::array<QPoint, Points> pos_{};
};
