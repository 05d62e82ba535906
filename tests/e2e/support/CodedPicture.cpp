#include "support/CodedPicture.h"

namespace coded {

namespace {

constexpr int secondPicture = 0x80;

struct Source {
    int picture;
    QPoint at;
};

Source decode(QRgb pixel) {
    const int blue = qBlue(pixel);
    return {blue & secondPicture ? 2 : 1,
            QPoint(((blue >> 4) & 7) << 8 | qRed(pixel), (blue & 15) << 8 | qGreen(pixel))};
}

bool allWhite(const QImage& screen, QRect area) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (screen.pixel(x, y) != qRgb(255, 255, 255))
                return false;
    return true;
}

} // namespace

QImage picture(int number, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    const int mark = number == 2 ? secondPicture : 0;
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = qRgb(x & 0xff, y & 0xff, mark | (x >> 8) << 4 | (y >> 8));
    }
    return image;
}

QString read(const QImage& screen, QRect area, QPoint probe) {
    area &= screen.rect();
    if (allWhite(screen, area))
        return QStringLiteral("empty");
    const QPoint step(100, 150);
    const QPoint first = area.topLeft() + probe;
    if (!area.contains(first + step))
        return QStringLiteral("something else");
    const Source a = decode(screen.pixel(first));
    const Source b = decode(screen.pixel(first + step));
    if (a.picture != b.picture || b.at - a.at != step)
        return QStringLiteral("something else");
    const QPoint offset = a.at - probe;
    return shows(a.picture, offset.x(), offset.y());
}

QString shows(int picture, int x, int y) {
    return QStringLiteral("picture %1 from (%2,%3)").arg(picture).arg(x).arg(y);
}

QString panes(const QString& pane1, const QString& pane2) {
    return QStringLiteral("pane 1: %1; pane 2: %2").arg(pane1, pane2);
}

} // namespace coded
