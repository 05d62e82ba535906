#include "Landscape.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <cstdint>

namespace {

constexpr int width = 640;
constexpr int height = 480;

// The height of a ridge line at x, built from a few waves so that it looks natural but never changes.
struct Ridge {
    double base;
    double a1, f1, p1;
    double a2, f2, p2;

    double at(double x) const { return base + a1 * std::sin(x * f1 + p1) + a2 * std::sin(x * f2 + p2); }
};

constexpr Ridge mountains{228, 26, 0.013, 1.0, 12, 0.041, 2.0};
constexpr Ridge backHills{292, 16, 0.009, 0.4, 7, 0.027, 1.3};
constexpr Ridge meadow{338, 14, 0.006, 2.6, 5, 0.031, 0.2};

QPainterPath areaBelow(const Ridge& ridge) {
    QPainterPath path(QPointF(0, height));
    for (int x = 0; x <= width; x += 4)
        path.lineTo(x, ridge.at(x));
    path.lineTo(width, height);
    path.closeSubpath();
    return path;
}

void fillArea(QPainter& p, const Ridge& ridge, const QColor& top, const QColor& bottom) {
    QLinearGradient shade(0, ridge.base - 40, 0, height);
    shade.setColorAt(0, top);
    shade.setColorAt(1, bottom);
    p.fillPath(areaBelow(ridge), shade);
}

void drawSky(QPainter& p) {
    QLinearGradient sky(0, 0, 0, backHills.base);
    sky.setColorAt(0, QColor(0x2f, 0x6d, 0xb5));
    sky.setColorAt(0.55, QColor(0x8e, 0xc5, 0xec));
    sky.setColorAt(1, QColor(0xfd, 0xe7, 0xc8));
    p.fillRect(0, 0, width, height, sky);

    const QPointF sun(505, 105);
    QRadialGradient glow(sun, 130);
    glow.setColorAt(0, QColor(255, 244, 200, 170));
    glow.setColorAt(1, QColor(255, 244, 200, 0));
    p.setBrush(glow);
    p.setPen(Qt::NoPen);
    p.drawEllipse(sun, 130, 130);
    QRadialGradient disc(sun - QPointF(8, 8), 40);
    disc.setColorAt(0, QColor(0xff, 0xfb, 0xe0));
    disc.setColorAt(1, QColor(0xff, 0xd5, 0x4f));
    p.setBrush(disc);
    p.drawEllipse(sun, 34, 34);
}

void drawCloud(QPainter& p, QPointF at, double scale) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xd6, 0xe4, 0xf0, 220));
    p.drawRoundedRect(QRectF(at.x() - 60 * scale, at.y() + 2 * scale, 124 * scale, 26 * scale), 13 * scale,
                      13 * scale);
    p.setBrush(QColor(255, 255, 255, 235));
    p.drawEllipse(at + QPointF(-34, 6) * scale, 30 * scale, 20 * scale);
    p.drawEllipse(at + QPointF(0, -6) * scale, 34 * scale, 28 * scale);
    p.drawEllipse(at + QPointF(34, 8) * scale, 28 * scale, 18 * scale);
    p.drawRoundedRect(QRectF(at.x() - 62 * scale, at.y() + 4 * scale, 124 * scale, 18 * scale), 9 * scale,
                      9 * scale);
}

void drawBird(QPainter& p, QPointF at) {
    QPainterPath wings(at + QPointF(-9, -3));
    wings.quadTo(at + QPointF(-4, -7), at);
    wings.quadTo(at + QPointF(4, -7), at + QPointF(9, -3));
    p.setPen(QPen(QColor(0x2b, 0x2b, 0x3a), 2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(wings);
}

void drawFlowers(QPainter& p) {
    // A fixed little generator, so that both samples get the same meadow.
    uint32_t seed = 20240613;
    const auto next = [&seed](int range) {
        seed = seed * 1664525u + 1013904223u;
        return int((seed >> 8) % uint32_t(range));
    };
    const QColor colours[] = {QColor(255, 255, 255), QColor(0xff, 0xee, 0x58), QColor(0xf4, 0x8f, 0xb1)};
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 260; ++i) {
        const int x = next(width);
        const int y = next(height);
        if (y < meadow.at(x) + 12)
            continue;
        p.setBrush(colours[next(3)]);
        const double r = 1.2 + (y - meadow.base) / 90.0;
        p.drawEllipse(QPointF(x, y), r, r);
    }
}

void drawPond(QPainter& p) {
    const QRectF pond(40, 388, 190, 56);
    QLinearGradient water(0, pond.top(), 0, pond.bottom());
    water.setColorAt(0, QColor(0x4f, 0xa3, 0xd9));
    water.setColorAt(1, QColor(0x1f, 0x5f, 0x9a));
    p.setPen(QPen(QColor(0x6d, 0x8b, 0x3a), 3));
    p.setBrush(water);
    p.drawEllipse(pond);
    p.setPen(QPen(QColor(255, 255, 255, 150), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(90, 404), QPointF(130, 404));
    p.drawLine(QPointF(140, 418), QPointF(190, 418));
    p.drawLine(QPointF(75, 426), QPointF(105, 426));
}

void drawPath(QPainter& p) {
    // From the door down to the bottom edge, widening as it comes nearer.
    QPainterPath path(QPointF(372, 372));
    path.cubicTo(QPointF(360, 410), QPointF(450, 420), QPointF(400, height + 2));
    path.lineTo(QPointF(500, height + 2));
    path.cubicTo(QPointF(520, 420), QPointF(392, 410), QPointF(392, 372));
    path.closeSubpath();
    p.setPen(QPen(QColor(0xb8, 0x95, 0x5a), 2));
    p.setBrush(QColor(0xe6, 0xcb, 0x94));
    p.drawPath(path);
}

void drawShadow(QPainter& p, QPointF at, double halfWidth) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1b, 0x3a, 0x0e, 70));
    p.drawEllipse(at, halfWidth, halfWidth / 6);
}

void drawTree(QPainter& p, QPointF base) {
    drawShadow(p, base + QPointF(8, 0), 40);
    p.setBrush(QColor(0x6d, 0x4c, 0x41));
    p.drawRect(QRectF(base.x() - 7, base.y() - 58, 14, 60));
    const QPointF crown = base - QPointF(0, 92);
    p.setBrush(QColor(0x2e, 0x7d, 0x32));
    p.drawEllipse(crown + QPointF(-26, 12), 32, 28);
    p.drawEllipse(crown + QPointF(26, 12), 32, 28);
    p.setBrush(QColor(0x38, 0x8e, 0x3c));
    p.drawEllipse(crown, 38, 36);
    p.setBrush(QColor(0x66, 0xbb, 0x6a));
    p.drawEllipse(crown + QPointF(-12, -14), 16, 12);
}

void drawFir(QPainter& p, QPointF base) {
    drawShadow(p, base + QPointF(6, 0), 26);
    p.setBrush(QColor(0x5d, 0x40, 0x37));
    p.drawRect(QRectF(base.x() - 4, base.y() - 14, 8, 16));
    p.setBrush(QColor(0x1b, 0x5e, 0x20));
    for (int tier = 0; tier < 3; ++tier) {
        const double bottom = base.y() - 12 - tier * 18;
        const double half = 26 - tier * 6;
        p.drawPolygon(QPolygonF({QPointF(base.x() - half, bottom), QPointF(base.x() + half, bottom),
                                 QPointF(base.x(), bottom - 34)}));
    }
}

void drawHouse(QPainter& p, const QColor& door) {
    const QRectF walls(320, 300, 120, 74);
    drawShadow(p, QPointF(walls.center().x() + 10, walls.bottom()), 76);
    p.setPen(QPen(QColor(0x8d, 0x6e, 0x63), 2));
    p.setBrush(QColor(0xf5, 0xe6, 0xc8));
    p.drawRect(walls);
    p.setBrush(QColor(0x8d, 0x6e, 0x63));
    p.drawRect(QRectF(410, 250, 14, 34));
    p.setPen(QPen(QColor(0x7f, 0x1d, 0x14), 2));
    p.setBrush(QColor(0xc0, 0x39, 0x2b));
    p.drawPolygon(QPolygonF({QPointF(306, 304), QPointF(380, 252), QPointF(454, 304)}));

    p.setPen(QPen(QColor(0x4e, 0x34, 0x2e), 2));
    p.setBrush(door);
    p.drawRect(QRectF(368, 330, 28, 44));
    p.setBrush(QColor(0xff, 0xd5, 0x4f));
    p.drawEllipse(QPointF(390, 354), 2, 2);
    for (const double left : {334.0, 410.0}) {
        const QRectF window(left, 318, 22, 22);
        p.setPen(QPen(Qt::white, 3));
        p.setBrush(QColor(0x81, 0xd4, 0xfa));
        p.drawRect(window);
        p.drawLine(QPointF(window.center().x(), window.top()), QPointF(window.center().x(), window.bottom()));
        p.drawLine(QPointF(window.left(), window.center().y()), QPointF(window.right(), window.center().y()));
    }
}

} // namespace

QImage drawLandscape(bool changed) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawSky(p);
    drawCloud(p, QPointF(140, 82), 1.0);
    drawCloud(p, changed ? QPointF(300, 150) : QPointF(350, 58), 0.75);
    drawBird(p, QPointF(230, 140));
    drawBird(p, QPointF(262, 124));
    if (!changed)
        drawBird(p, QPointF(250, 162));

    fillArea(p, mountains, QColor(0x9f, 0xae, 0xd1), QColor(0xc5, 0xcb, 0xdc));
    fillArea(p, backHills, QColor(0x8b, 0xc3, 0x4a), QColor(0x55, 0x8b, 0x2f));
    fillArea(p, meadow, QColor(0x9c, 0xcc, 0x65), QColor(0x33, 0x69, 0x1e));
    drawFlowers(p);
    drawPond(p);
    drawPath(p);
    drawTree(p, QPointF(240, 372));
    drawHouse(p, changed ? QColor(0x2e, 0x6f, 0xb7) : QColor(0xa0, 0x52, 0x2d));
    if (changed)
        drawFir(p, QPointF(510, 380));
    return image;
}
