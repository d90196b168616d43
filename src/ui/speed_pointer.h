#pragma once
// The speed pointer of a throttle panel: a marker on a vertical scale of five
// lines (Zlin 0 at speed 0 at the bottom, Zlin 4 at full speed at the top)
// that eases toward the speed shown.

#include <QWidget>

class SpeedPointer : public QWidget {
    Q_OBJECT
    // Where the pointer stands: 0 at the bottom line, 1 at the top line.
    Q_PROPERTY(double level READ level)
  public:
    explicit SpeedPointer(QWidget* parent = nullptr);

    double level() const { return level_; }
    // One timer step: a quarter of the remaining distance toward frac (0..1).
    // False once it stands there: its timer may stop.
    bool step(double frac);

    QSize sizeHint() const override { return {44, 220}; }
    QSize minimumSizeHint() const override { return {30, 80}; }

    static constexpr int Lines = 5;

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    double lineY(int k) const; // pixel row of scale line Zlin k
    double level_ = 0;
};
