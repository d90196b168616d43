// Draws the loco pictures the throttle panels show into a folder: one for
// every state of lights, F1, F2 and direction, named as the panels look them
// up, and the picture of a panel without a loco. With --icon it draws the
// program's icon instead. Run by the build.

#include "loco/throttle.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

constexpr int W = 160, H = 80;

struct State {
    bool loco = true; // false: the grey picture of an empty panel
    bool light = false, f1 = false, f2 = false, reverse = false;
};

const QColor kSky(236, 240, 244);
const QColor kBody(176, 40, 36);
const QColor kGreyBody(150, 150, 150);
const QColor kDark(40, 40, 44);
const QColor kLampOff(110, 110, 110);
const QColor kHead(255, 244, 150);
const QColor kTail(230, 30, 30);
const QColor kMark(255, 210, 0);

// "F1" or "F2" drawn with strokes, so no font is needed at build time.
void draw_mark(QPainter& p, QPointF at, int digit)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kMark);
    p.drawRoundedRect(QRectF(at, QSizeF(22, 16)), 4, 4);
    p.setPen(QPen(kDark, 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    const double x = at.x() + 4, y = at.y() + 3, h = 10;
    p.drawPolyline(QPolygonF{{x + 5, y}, {x, y}, {x, y + h}});
    p.drawLine(QPointF(x, y + h / 2), QPointF(x + 4, y + h / 2));
    const double d = x + 9;
    if (digit == 1)
        p.drawPolyline(QPolygonF{{d + 1, y + 2}, {d + 3, y}, {d + 3, y + h}});
    else
        p.drawPolyline(
            QPolygonF{{d, y + 1}, {d + 5, y}, {d + 5, y + h / 2}, {d, y + h}, {d + 6, y + h}});
}

// A lamp pair at one end of the body; x is the end's outer edge.
void draw_lamps(QPainter& p, double x, bool front, const State& s)
{
    const QColor c = !s.light ? kLampOff : front ? kHead : kTail;
    p.setPen(Qt::NoPen);
    if (s.light && front) { // the beam ahead
        const double dir = x > W / 2 ? 1 : -1;
        QPainterPath beam;
        beam.moveTo(x, 44);
        beam.lineTo(x + dir * 16, 36);
        beam.lineTo(x + dir * 16, 54);
        beam.closeSubpath();
        p.fillPath(beam, QColor(255, 240, 120, 150));
    }
    p.setBrush(c);
    const double inset = x > W / 2 ? -7 : 3;
    p.drawEllipse(QRectF(x + inset, 41, 4, 4));
    p.drawEllipse(QRectF(x + inset, 47, 4, 4));
}

QImage draw(const State& s)
{
    QImage img(W, H, QImage::Format_RGB32);
    img.fill(kSky);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    // Rail and two bogies.
    p.setPen(QPen(kDark, 2));
    p.drawLine(QPointF(4, 63), QPointF(W - 4, 63));
    p.setPen(Qt::NoPen);
    p.setBrush(kDark);
    for (double bogie : {40.0, 120.0}) {
        p.drawRect(QRectF(bogie - 18, 52, 36, 4));
        for (double wheel : {-10.0, 10.0})
            p.drawEllipse(QPointF(bogie + wheel, 58), 5, 5);
    }

    // Body with a cab window at each end and a pantograph on the roof.
    const double left = 22, right = W - 22;
    p.setBrush(s.loco ? kBody : kGreyBody);
    QPainterPath body;
    body.addRoundedRect(QRectF(left, 24, right - left, 28), 6, 6);
    p.drawPath(body);
    p.setBrush(kSky.darker(115));
    p.drawRect(QRectF(left + 4, 29, 12, 9));
    p.drawRect(QRectF(right - 16, 29, 12, 9));
    p.setPen(QPen(kDark, 1.5));
    p.drawPolyline(QPolygonF{{70, 24}, {80, 12}, {90, 24}});
    p.drawLine(QPointF(72, 12), QPointF(88, 12));
    if (!s.loco)
        return img;

    draw_lamps(p, right, !s.reverse, s);
    draw_lamps(p, left, s.reverse, s);
    if (s.f1)
        draw_mark(p, {50, 30}, 1);
    if (s.f2)
        draw_mark(p, {88, 30}, 2);

    // The direction of travel below the rail.
    const double dir = s.reverse ? -1 : 1, cx = W / 2.0;
    p.setPen(QPen(kDark, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(cx - dir * 24, 72), QPointF(cx + dir * 20, 72));
    p.drawPolyline(QPolygonF{{cx + dir * 12, 67}, {cx + dir * 22, 72}, {cx + dir * 12, 77}});
    return img;
}

// The loco with its lights on, heading right, on a rounded tile.
QImage draw_icon()
{
    constexpr int Size = 256;
    QImage img(Size, Size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setPen(Qt::NoPen);
    p.setBrush(kSky);
    p.drawRoundedRect(QRectF(8, 8, Size - 16, Size - 16), 40, 40);
    const QImage loco = draw({.light = true});
    const double w = Size - 32, h = w * H / W;
    p.drawImage(QRectF(16, (Size - h) / 2, w, h), loco);
    return img;
}

bool save(const QImage& img, const QString& path, const char* format = "BMP")
{
    if (img.save(path, format))
        return true;
    std::fprintf(stderr, "quorail-locopictures: cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && QByteArray(argv[1]) == "--icon")
        return save(draw_icon(), QString::fromLocal8Bit(argv[2]), "PNG") ? 0 : 1;
    // An option it does not know is no folder to fill ("--help" included).
    if (argc != 2 || argv[1][0] == '-') {
        const bool asked = argc == 2 && QByteArray(argv[1]) == "--help";
        std::fprintf(asked ? stdout : stderr, "usage: quorail-locopictures FOLDER\n"
                                              "       quorail-locopictures --icon FILE.png\n");
        return asked ? 0 : 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "quorail-locopictures: cannot make %s\n", argv[1]);
        return 1;
    }
    bool ok = save(draw({.loco = false}), dir.filePath(LokBlankPicture));
    for (int state = 0; state < 16; ++state) {
        const State s{true, bool(state & 1), bool(state & 2), bool(state & 4), bool(state & 8)};
        const QString name = lok_picture_name(s.light, s.f1, s.f2, s.reverse);
        ok = save(draw(s), dir.filePath(name)) && ok;
    }
    return ok ? 0 : 1;
}
