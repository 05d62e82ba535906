#include "picture/formats/OverWhite.h"

namespace picture {

void layOverWhite(QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        uchar* pixel = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x, pixel += 4) {
            const int alpha = pixel[3];
            for (int c = 0; c < 3; ++c)
                pixel[c] = uchar((pixel[c] * alpha + 255 * (255 - alpha) + 127) / 255);
            pixel[3] = 0xFF;
        }
    }
}

} // namespace picture
