#include "picture/colour/OverWhite.h"

namespace picture {

namespace {

constexpr quint64 full = 65535;

int blended(int value, int alpha) {
    return (value * alpha + 255 * (255 - alpha) + 127) / 255;
}

// value * alpha + white * (1 - alpha) in 16 bits, rounded once to 8.
int blendedAndNarrowed(quint64 value, quint64 alpha) {
    return int(((value * alpha + full * (full - alpha)) * 255 + full * full / 2) / (full * full));
}

void layInPlace(QImage& picture) {
    for (int y = 0; y < picture.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0, width = picture.width(); x < width; ++x) {
            const QRgb pixel = row[x];
            const int alpha = qAlpha(pixel);
            if (alpha != 255)
                row[x] = qRgb(blended(qRed(pixel), alpha), blended(qGreen(pixel), alpha),
                              blended(qBlue(pixel), alpha));
        }
    }
    picture.reinterpretAsFormat(QImage::Format_RGB32);
}

QImage narrowed(const QImage& wide, LoadBudget::Claim& claim) {
    QImage screen = claim.rgb32(wide.width(), wide.height());
    for (int y = 0; y < wide.height(); ++y) {
        const auto* in = reinterpret_cast<const quint16*>(wide.constScanLine(y));
        QRgb* out = reinterpret_cast<QRgb*>(screen.scanLine(y));
        for (int x = 0, width = wide.width(); x < width; ++x, in += 4)
            out[x] = qRgb(blendedAndNarrowed(in[0], in[3]), blendedAndNarrowed(in[1], in[3]),
                          blendedAndNarrowed(in[2], in[3]));
    }
    return screen;
}

} // namespace

void OverWhite::lay(QImage& picture, LoadBudget::Claim& claim) {
    if (picture.format() == QImage::Format_ARGB32)
        layInPlace(picture);
    else if (picture.depth() == 64)
        picture = narrowed(picture, claim);
}

} // namespace picture
