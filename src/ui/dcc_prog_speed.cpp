#include "dcc_prog_speed.h"

#include "small_window.h"

#include "programming/programming.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

namespace {
const QString kTitle = QStringLiteral("Fahrstufentabelle");
const QString kLesen = QStringLiteral("Lesen");
const QString kProgrammieren = QStringLiteral("Programmieren");
const QString kAbbruch = QStringLiteral("Abbruch");
const QString kY255 = QStringLiteral("max. CV-Wert = 255");
const QString kCvNr = QStringLiteral("CV-Nr:");
const QString kWert = QStringLiteral("Wert:");

// Room left of the value axis for its labels, and below the baseline for the steps.
constexpr int MarginLeft = 50;
constexpr int MarginRight = 20;
constexpr int MarginTop = 12;
constexpr int MarginBottom = 34;
constexpr int Half = 6; // half the size of a point's square
} // namespace

SpeedCanvas::SpeedCanvas(Programming& prog, QWidget* parent)
    : QWidget(parent), prog_(prog), curve_(prog)
{
    setObjectName(QStringLiteral("SpeedCanvas"));
    setMouseTracking(true);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
}

void SpeedCanvas::show_speed_curve()
{
    curve_.layout();
    update();
}

void SpeedCanvas::resizeEvent(QResizeEvent*)
{
    const int yb = height() - MarginBottom;
    curve_.set_axes(MarginLeft, yb, width() - MarginLeft - MarginRight, yb - MarginTop);
}

void SpeedCanvas::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    const int x0 = curve_.x0(), yb = curve_.yb(), sy = curve_.sy();
    const int fh = fontMetrics().ascent();
    p.setPen(Qt::black);
    // XAchse and YAchse
    p.drawLine(x0, yb, x0 + curve_.dx() * SpeedCurve::Points + 9, yb);
    p.drawLine(x0, yb, x0, yb - curve_.range() * sy);
    for (int i = 0; i < SpeedCurve::Points; ++i) {
        const int x = curve_.point(i).x();
        p.drawLine(x, yb - 4, x, yb + 4);
        if (i % 5 == 0)
            p.drawText(x - Half, yb + 8 + fh, QString::number(i + 1));
    }
    for (int v = 0; v <= curve_.range(); v += curve_.tick_step()) {
        const int y = yb - v * sy;
        p.drawLine(x0 - 4, y, x0 + 4, y);
        p.drawText(x0 - 30 - (v < 100 ? 0 : 6), y - 8 + fh, QString::number(v));
    }
    if (!prog_.SpeedShowPoints)
        return;
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(Qt::darkBlue, 1.5));
    for (int i = 0; i + 1 < SpeedCurve::Points; ++i) // PLine(i)
        p.drawLine(curve_.point(i), curve_.point(i + 1));
    p.setPen(Qt::NoPen);
    for (int i = 0; i < SpeedCurve::Points; ++i) { // Pkt(i)
        const QPoint c = curve_.point(i);
        p.setBrush(i == hovered_ ? Qt::red : Qt::black);
        p.drawRect(c.x() - Half, c.y() - Half, 2 * Half, 2 * Half);
    }
}

void SpeedCanvas::mousePressEvent(QMouseEvent* e)
{
    curve_.press(e->position().toPoint());
}

void SpeedCanvas::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    const int s = curve_.selected();
    if ((e->buttons() & Qt::LeftButton) && s >= 0) {
        if (curve_.drag(pos.y()))
            emit point_shown(SpeedCurve::FirstCv + s, curve_.value_at(pos.y()));
        update();
        return;
    }
    if (e->buttons() != Qt::NoButton)
        return;
    const int hit = curve_.hit(pos);
    if (hit != hovered_) {
        hovered_ = hit;
        update();
    }
    if (hit >= 0)
        emit point_shown(SpeedCurve::FirstCv + hit, curve_.value_at(curve_.point(hit).y()));
}

DCCProgSpeed::DCCProgSpeed(Programming& prog, QWidget* parent)
    : QWidget(parent, Qt::Window), prog_(prog), canvas_(new SpeedCanvas(prog)),
      CVAdrTxt(new QLineEdit), CVValTxt(new QLineEdit), RDTabBut(new QPushButton(kLesen)),
      WRTabBut(new QPushButton(kProgrammieren)), Cancel(new QPushButton(kAbbruch)),
      Y255Chk(new QCheckBox(kY255))
{
    setObjectName(QStringLiteral("DCCProgSpeed"));
    setWindowTitle(kTitle);
    CVAdrTxt->setObjectName(QStringLiteral("CVAdrTxt"));
    CVValTxt->setObjectName(QStringLiteral("CVValTxt"));
    RDTabBut->setObjectName(QStringLiteral("RDTabBut"));
    WRTabBut->setObjectName(QStringLiteral("WRTabBut"));
    Cancel->setObjectName(QStringLiteral("Cancel"));
    Y255Chk->setObjectName(QStringLiteral("Y255Chk"));
    for (QLineEdit* e : {CVAdrTxt, CVValTxt}) {
        e->setReadOnly(true);
        e->setFixedWidth(e->fontMetrics().horizontalAdvance(u'0') * 7);
    }

    auto* controls = new QHBoxLayout;
    controls->addWidget(new QLabel(kCvNr));
    controls->addWidget(CVAdrTxt);
    controls->addWidget(new QLabel(kWert));
    controls->addWidget(CVValTxt);
    controls->addSpacing(12);
    controls->addWidget(Y255Chk);
    controls->addStretch();
    controls->addWidget(RDTabBut);
    controls->addWidget(WRTabBut);
    controls->addWidget(Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(canvas_, 1);
    layout->addLayout(controls);

    connect(canvas_, &SpeedCanvas::point_shown, this, [this](int cv, int value) {
        CVAdrTxt->setText(QString::number(cv));
        CVValTxt->setText(QString::number(value));
    });
    connect(RDTabBut, &QPushButton::clicked, this, &DCCProgSpeed::read);
    connect(WRTabBut, &QPushButton::clicked, this, &DCCProgSpeed::write);
    connect(Cancel, &QPushButton::clicked, this, [this] { prog_.abort(); });
    connect(Y255Chk, &QCheckBox::toggled, this, [this](bool on) {
        if (activating_)
            return;
        prog_.SpeedRange = on ? 256 : 128;
        canvas_->show_speed_curve();
    });
    connect(&prog_, &Programming::prog_buttons, this, &DCCProgSpeed::buttons);
    connect(&prog_, &Programming::speed_curve_done, this, [this] {
        // A value read above 127 would stand above the drawing: the scale
        // goes up to 255 then.
        for (int i = 0; i < SpeedCurve::Points; ++i)
            if (const int v = prog_.value(SpeedCurve::FirstCv + i); v > 127 && v <= 255)
                Y255Chk->setChecked(true);
        canvas_->show_speed_curve();
    });
    buttons(!prog_.job_running());
    hide_on_escape(this); // the curve stays, as when closed
}

bool DCCProgSpeed::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate || e->type() == QEvent::Show) {
        buttons(!prog_.job_running());
        canvas_->show_speed_curve();
        activating_ = true;
        Y255Chk->setChecked(prog_.SpeedRange == 256);
        activating_ = false;
    }
    return QWidget::event(e);
}

void DCCProgSpeed::closeEvent(QCloseEvent* e)
{
    hide();
    prog_.release_buttons();
    deleteLater();
    e->accept();
}

void DCCProgSpeed::buttons(bool enable)
{
    RDTabBut->setEnabled(enable);
    WRTabBut->setEnabled(enable);
    Cancel->setEnabled(!enable);
}

void DCCProgSpeed::read()
{
    prog_.read_speed_table();
    canvas_->update();
}

void DCCProgSpeed::write()
{
    prog_.write_speed_table();
}
