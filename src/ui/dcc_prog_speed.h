#pragma once
// The speed-curve editor: the 28 values of CVs 67..94 drawn over the speed
// steps, dragged up and down with the mouse, read and written as a list.

#include "programming/speed_curve.h"

#include <QWidget>

class Programming;
class QCheckBox;
class QLineEdit;
class QPushButton;

// The drawing: axes, ticks, labels, points and the lines between them.
class SpeedCanvas : public QWidget {
    Q_OBJECT
  public:
    explicit SpeedCanvas(Programming& prog, QWidget* parent = nullptr);

    SpeedCurve& curve() { return curve_; }
    // Recomputes the points from the CV values and repaints.
    void show_speed_curve();
    QSize sizeHint() const override { return {720, 600}; }
    QSize minimumSizeHint() const override { return {420, 340}; }

  signals:
    // The point of CV cv is under the mouse or being dragged.
    void point_shown(int cv, int value);

  protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

  private:
    Programming& prog_;
    SpeedCurve curve_;
    int hovered_ = -1;
};

class DCCProgSpeed : public QWidget {
    Q_OBJECT
  public:
    DCCProgSpeed(Programming& prog, QWidget* parent);

    SpeedCanvas& canvas() { return *canvas_; }

  protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

  private:
    void buttons(bool enable);
    void read();
    void write();

    Programming& prog_;
    SpeedCanvas* canvas_;
    QLineEdit* CVAdrTxt;
    QLineEdit* CVValTxt;
    QPushButton* RDTabBut;
    QPushButton* WRTabBut;
    QPushButton* Cancel;
    QCheckBox* Y255Chk;
    bool activating_ = false; // Y255Chk is being set by the window itself
};
