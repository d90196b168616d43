#pragma once
// A filled shape that shows a state by its colour (power lamp, indicators).

#include <QWidget>

class Lamp : public QWidget {
    Q_OBJECT
    // 24-bit value with red in the low byte (255 red, 65280 green).
    Q_PROPERTY(int colour READ colour WRITE setColour)
  public:
    enum class Shape { Circle, Rect };

    explicit Lamp(int colour, Shape shape = Shape::Circle, QWidget* parent = nullptr);

    int colour() const { return colour_; }
    void setColour(int colour);
    QSize sizeHint() const override { return {18, 18}; }

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    int colour_;
    Shape shape_;
};

// The Qt colour of a 24-bit value with red in the low byte.
QColor lamp_colour(int colour);
