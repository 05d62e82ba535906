#pragma once

#include <QImage>
#include <QRgb>

#include <algorithm>

namespace picture {

// The colour stage takes straight alpha: colours that files and libraries give premultiplied are divided
// by their alpha here, rounded, and 0 where nothing covers them.

// A level premultiplied by alpha, both on the scale 0 to top (255, or 65535 for 16-bit samples).
inline int straightLevel(int level, int alpha, int top = 255) {
    if (alpha == 0)
        return 0;
    return int(std::min<quint32>(quint32(top),
                                 (quint32(level) * quint32(top) + quint32(alpha) / 2) / quint32(alpha)));
}

// A pixel of 8-bit channels in either order of red and blue, alpha in its high byte.
inline QRgb straight(QRgb premultiplied) {
    const int alpha = qAlpha(premultiplied);
    if (alpha == 255)
        return premultiplied;
    return qRgba(straightLevel(qRed(premultiplied), alpha), straightLevel(qGreen(premultiplied), alpha),
                 straightLevel(qBlue(premultiplied), alpha), alpha);
}

// Every pixel of a Format_ARGB32 or Format_RGBA64 picture whose colours are premultiplied.
void makeStraight(QImage& image);

} // namespace picture
