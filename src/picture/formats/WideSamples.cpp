#include "picture/formats/WideSamples.h"

#include <algorithm>
#include <cstring>

namespace picture {

void widenTo16Bits(const uchar* rows, qsizetype stride, int channels, int bits, QImage& image) {
    const quint32 top = (quint32(1) << bits) - 1;
    const auto widen = [top](quint16 sample) {
        return quint16((std::min<quint32>(sample, top) * 65535 + top / 2) / top);
    };
    for (int y = 0; y < image.height(); ++y) {
        const uchar* source = rows + y * stride;
        quint16* target = reinterpret_cast<quint16*>(image.scanLine(y));
        for (int x = 0, width = image.width(); x < width; ++x, source += channels * 2, target += 4) {
            quint16 samples[4] = {0, 0, 0, quint16(top)};
            std::memcpy(samples, source, size_t(channels) * 2);
            for (int c = 0; c < 4; ++c)
                target[c] = widen(samples[c]);
        }
    }
}

void narrowTo8Bits(const uchar* rows, qsizetype stride, int channels, int bits, QImage& image) {
    const quint32 top = (quint32(1) << bits) - 1;
    const auto narrow = [top](quint16 sample) {
        return (std::min<quint32>(sample, top) * 255 + top / 2) / top;
    };
    for (int y = 0; y < image.height(); ++y) {
        const uchar* source = rows + y * stride;
        auto* target = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0, width = image.width(); x < width; ++x, source += channels * 2) {
            quint16 samples[4] = {0, 0, 0, quint16(top)};
            std::memcpy(samples, source, size_t(channels) * 2);
            target[x] = qRgba(int(narrow(samples[0])), int(narrow(samples[1])), int(narrow(samples[2])),
                              int(narrow(samples[3])));
        }
    }
}

} // namespace picture
