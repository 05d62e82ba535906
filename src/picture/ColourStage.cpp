#include "picture/ColourStage.h"

namespace picture {

void ColourStage::toScreen(DecodedPicture& decoded) {
    if (!decoded.cmyk)
        return;
    for (int y = 0; y < decoded.image.height(); ++y) {
        auto* pixel = decoded.image.scanLine(y);
        for (int x = 0; x < decoded.image.width(); ++x, pixel += 4) {
            const int k = pixel[3];
            const auto channel = [k](int ink) { return (255 - ink) * (255 - k) / 255; };
            const int r = channel(pixel[0]);
            const int g = channel(pixel[1]);
            const int b = channel(pixel[2]);
            reinterpret_cast<QRgb*>(pixel)[0] = qRgb(r, g, b);
        }
    }
    decoded.cmyk = false;
}

} // namespace picture
