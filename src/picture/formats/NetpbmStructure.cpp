#include "picture/formats/NetpbmStructure.h"

#include "picture/formats/TextTokens.h"

namespace picture {

namespace {

constexpr qint64 maxSampleValue = 65535;
constexpr qint64 maxPixels = qint64(1) << 40;

// Plain PBM packs its digits without separators; every 0 or 1 is a pixel.
bool bitsPresent(TextTokens& tokens, qint64 count) {
    for (qint64 found = 0; found < count;) {
        tokens.skipSpace();
        const char c = tokens.peek();
        if (c != '0' && c != '1')
            return false;
        tokens.seek(tokens.position() + 1);
        ++found;
    }
    return true;
}

bool numbersPresent(TextTokens& tokens, qint64 count, qint64 maxValue) {
    for (qint64 found = 0; found < count; ++found) {
        const std::optional<qint64> sample = tokens.number();
        if (!sample || *sample > maxValue)
            return false;
    }
    return true;
}

} // namespace

PictureIntegrity NetpbmStructure::inspect(QByteArrayView bytes) {
    if (bytes.size() < 2 || bytes[0] != 'P' || bytes[1] < '1' || bytes[1] > '6')
        return PictureIntegrity::damaged();
    const int kind = bytes[1] - '0';
    TextTokens tokens(bytes.sliced(2));
    const std::optional<qint64> width = tokens.number();
    const std::optional<qint64> height = tokens.number();
    if (!width || !height || *width == 0 || *height == 0)
        return PictureIntegrity::damaged();
    const QSize declared{int(*width), int(*height)};
    const bool bitmap = kind == 1 || kind == 4;
    std::optional<qint64> maxValue = 1;
    if (!bitmap)
        maxValue = tokens.number();
    if (!maxValue || *maxValue == 0 || *maxValue > maxSampleValue)
        return PictureIntegrity::damaged(declared);

    if (*width * *height > maxPixels)
        return PictureIntegrity::damaged(declared); // past any budget, which then names it
    const qint64 channels = kind == 3 || kind == 6 ? 3 : 1;
    const qint64 samples = *width * *height * channels;
    bool whole = false;
    if (kind == 1) {
        whole = bitsPresent(tokens, samples);
    } else if (kind <= 3) {
        whole = numbersPresent(tokens, samples, *maxValue);
    } else {
        // One white-space character ends the header of the binary kinds; the rows follow.
        const qint64 rowBytes = bitmap ? (*width + 7) / 8 : *width * channels * (*maxValue > 255 ? 2 : 1);
        const qint64 available = tokens.rest().size() - 1;
        whole = available >= 0 && *height <= available / rowBytes;
    }
    return whole ? PictureIntegrity::whole(declared) : PictureIntegrity::damaged(declared);
}

} // namespace picture
