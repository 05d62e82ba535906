#include "picture/formats/StraightAlpha.h"

namespace picture {

void makeStraight(QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        if (image.depth() == 64) {
            auto* sample = reinterpret_cast<quint16*>(image.scanLine(y));
            for (int x = 0, width = image.width(); x < width; ++x, sample += 4)
                for (int c = 0; c < 3; ++c)
                    sample[c] = quint16(straightLevel(sample[c], sample[3], 65535));
        } else {
            auto* pixel = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0, width = image.width(); x < width; ++x)
                pixel[x] = straight(pixel[x]);
        }
    }
}

} // namespace picture
