#include "picture/formats/Bmp24Decoder.h"

#include "picture/formats/ByteCursor.h"

#include <limits>

namespace picture {

namespace {

bool isInfoHeaderSize(quint32 size) {
    return size == 40 || size == 52 || size == 56 || size == 64 || size == 108 || size == 124;
}

void expandRow(const uchar* bgr, QRgb* out, int width) {
    for (int x = 0; x < width; ++x, bgr += 3)
        out[x] = 0xff000000u | quint32(bgr[2]) << 16 | quint32(bgr[1]) << 8 | bgr[0];
}

} // namespace

std::optional<QImage> Bmp24Decoder::decode(QByteArrayView bytes) {
    ByteCursor cursor(bytes);
    if (cursor.u8() != 'B' || cursor.u8() != 'M')
        return std::nullopt;
    cursor.skip(8);
    const qint64 offset = cursor.le32();
    const quint32 infoSize = cursor.le32();
    const qint32 width = qint32(cursor.le32());
    const qint32 height = qint32(cursor.le32()); // negative for rows stored top-down
    cursor.skip(2);
    const int bitCount = cursor.le16();
    const quint32 compression = cursor.le32();
    if (cursor.overrun() || !isInfoHeaderSize(infoSize) || bitCount != 24 || compression != 0 || width <= 0 ||
        height == 0 || height == std::numeric_limits<qint32>::min())
        return std::nullopt;

    const int rows = qAbs(height);
    const qint64 stride = (qint64(width) * 3 + 3) / 4 * 4;
    if (offset < 0 || offset + stride * rows > bytes.size())
        return std::nullopt;
    QImage image(width, rows, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    const uchar* pixels = reinterpret_cast<const uchar*>(bytes.data()) + offset;
    for (int row = 0; row < rows; ++row) {
        const int y = height > 0 ? rows - 1 - row : row; // bottom-up unless the height says otherwise
        expandRow(pixels + stride * row, reinterpret_cast<QRgb*>(image.scanLine(y)), width);
    }
    return image;
}

} // namespace picture
