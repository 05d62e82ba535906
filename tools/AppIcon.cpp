#include "AppIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

// The design is laid out on a 32-unit grid; edges are rounded to whole pixels so small sizes stay crisp.
class Grid {
public:
    explicit Grid(int size) : scale_(size / 32.0) {}

    double scale() const { return scale_; }
    double snap(double units) const { return std::round(units * scale_); }
    QRectF rect(double x, double y, double w, double h) const {
        return QRectF(QPointF(snap(x), snap(y)), QPointF(snap(x + w), snap(y + h)));
    }
    int line() const { return std::max(1, int(std::lround(scale_ * 0.75))); }

private:
    double scale_;
};

struct Scene {
    QColor skyTop;
    QColor skyBottom;
    QColor sun;
    QColor hill;
    double sunAcross;
};

void drawPhoto(QPainter& p, const Grid& grid, const QRectF& frame, const Scene& colours) {
    const double line = grid.line();
    const double radius = grid.scale() * 1.2;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 60));
    p.drawRoundedRect(frame.translated(line, line), radius, radius);
    p.setBrush(QColor(0x37, 0x47, 0x4f));
    p.drawRoundedRect(frame, radius, radius);
    p.setBrush(Qt::white);
    p.drawRoundedRect(frame.adjusted(line, line, -line, -line), radius * 0.6, radius * 0.6);

    const double margin = std::max(line + 1, grid.snap(2));
    const QRectF picture = frame.adjusted(margin, margin, -margin, -margin);
    p.save();
    p.setClipRect(picture);
    QLinearGradient sky(picture.topLeft(), picture.bottomLeft());
    sky.setColorAt(0, colours.skyTop);
    sky.setColorAt(1, colours.skyBottom);
    p.fillRect(picture, sky);
    const double sunRadius = std::max(1.5, grid.scale() * 2.2);
    p.setBrush(colours.sun);
    p.drawEllipse(QPointF(picture.left() + picture.width() * colours.sunAcross,
                          picture.top() + picture.height() * 0.28),
                  sunRadius, sunRadius);
    QPainterPath hill(picture.bottomLeft());
    hill.lineTo(picture.left(), picture.top() + picture.height() * 0.62);
    hill.quadTo(QPointF(picture.left() + picture.width() * 0.45, picture.top() + picture.height() * 0.38),
                QPointF(picture.right(), picture.top() + picture.height() * 0.7));
    hill.lineTo(picture.bottomRight());
    hill.closeSubpath();
    p.fillPath(hill, colours.hill);
    p.restore();
}

} // namespace

QImage drawAppIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const Grid grid(size);
    drawPhoto(p, grid, grid.rect(1, 3, 19, 23),
              {QColor(0x1e, 0x88, 0xe5), QColor(0xbb, 0xde, 0xfb), QColor(0xff, 0xeb, 0x3b),
               QColor(0x43, 0xa0, 0x47), 0.3});
    drawPhoto(p, grid, grid.rect(12, 7, 19, 23),
              {QColor(0x5e, 0x35, 0xb1), QColor(0xff, 0xb7, 0x4d), QColor(0xff, 0xf5, 0x9d),
               QColor(0x2e, 0x7d, 0x32), 0.7});
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}
