#include "picture/formats/BmpStructure.h"

#include "picture/formats/ByteCursor.h"

#include <limits>

namespace picture {

namespace {

constexpr qint64 fileHeaderSize = 14;
constexpr quint32 coreHeaderSize = 12;

enum Compression : quint32 { rgb = 0, rle8 = 1, rle4 = 2, bitFields = 3, alphaBitFields = 6 };

bool isInfoHeaderSize(quint32 size) {
    return size == 40 || size == 52 || size == 56 || size == 64 || size == 108 || size == 124;
}

bool isBitCount(int bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

} // namespace

PictureIntegrity BmpStructure::inspect(QByteArrayView bytes) {
    ByteCursor cursor(bytes);
    if (cursor.u8() != 'B' || cursor.u8() != 'M')
        return PictureIntegrity::damaged();
    cursor.skip(8); // file size and reserved words: often wrong, and no reader relies on them
    const qint64 offset = cursor.le32();
    const quint32 infoSize = cursor.le32();
    qint64 width = 0;
    qint64 height = 0;
    int bitCount = 0;
    quint32 compression = rgb;
    qint64 imageSize = 0;
    if (infoSize == coreHeaderSize) {
        width = qint16(cursor.le16());
        height = qint16(cursor.le16());
        cursor.skip(2); // planes
        bitCount = cursor.le16();
    } else if (isInfoHeaderSize(infoSize)) {
        width = qint32(cursor.le32());
        height = qint32(cursor.le32()); // negative for rows stored top-down
        cursor.skip(2);
        bitCount = cursor.le16();
        compression = cursor.le32();
        imageSize = cursor.le32();
    } else {
        return PictureIntegrity::damaged();
    }
    const qint64 rows = qAbs(height);
    if (cursor.overrun() || width <= 0 || rows == 0 || rows > std::numeric_limits<int>::max() ||
        !isBitCount(bitCount))
        return PictureIntegrity::damaged();

    const QSize declared(static_cast<int>(width), static_cast<int>(rows));
    if (offset < fileHeaderSize + infoSize || offset > bytes.size())
        return PictureIntegrity::damaged(declared);
    const qint64 available = bytes.size() - offset;
    switch (compression) {
    case rgb:
    case bitFields:
    case alphaBitFields: {
        const qint64 stride = (width * bitCount + 31) / 32 * 4;
        return rows <= available / stride ? PictureIntegrity::whole(declared)
                                          : PictureIntegrity::damaged(declared);
    }
    case rle8:
    case rle4:
        // Run-length rows have no fixed size; the declared total, when given, must be present.
        return imageSize <= available ? PictureIntegrity::whole(declared)
                                      : PictureIntegrity::damaged(declared);
    default:
        return PictureIntegrity::whole(declared);
    }
}

} // namespace picture
