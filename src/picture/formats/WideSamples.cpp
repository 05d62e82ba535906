#include "picture/formats/WideSamples.h"

#include <algorithm>
#include <cstring>

namespace picture {

void narrowTo8Bits(const uchar* rows, qsizetype stride, int channels, int bits, QImage& image) {
    const quint32 top = (quint32(1) << bits) - 1;
    const auto narrow = [top](quint16 sample) {
        return uchar((std::min<quint32>(sample, top) * 255 + top / 2) / top);
    };
    for (int y = 0; y < image.height(); ++y) {
        const uchar* source = rows + y * stride;
        uchar* target = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x, source += channels * 2, target += 4) {
            quint16 samples[4] = {0, 0, 0, quint16(top)};
            std::memcpy(samples, source, size_t(channels) * 2);
            target[0] = narrow(samples[2]);
            target[1] = narrow(samples[1]);
            target[2] = narrow(samples[0]);
            target[3] = narrow(samples[3]);
        }
    }
}

} // namespace picture
