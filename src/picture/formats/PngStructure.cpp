#include "picture/formats/PngStructure.h"

#include "picture/formats/ByteCursor.h"

#include <limits>

namespace picture {

namespace {

constexpr char signature[] = "\x89PNG\r\n\x1A\n";
constexpr qint64 signatureSize = sizeof(signature) - 1;
constexpr quint32 headerChunk = 0x49484452; // IHDR
constexpr quint32 endChunk = 0x49454E44;    // IEND
constexpr quint32 maxLength = std::numeric_limits<qint32>::max();

} // namespace

PictureIntegrity PngStructure::inspect(QByteArrayView bytes) {
    if (!bytes.startsWith(QByteArrayView(signature, signatureSize)))
        return PictureIntegrity::damaged();
    ByteCursor cursor(bytes);
    // The header chunk comes first: its length and type, then the width and height.
    cursor.seek(signatureSize + 4);
    QSize declared;
    if (cursor.be32() == headerChunk) {
        const quint32 width = cursor.be32();
        const quint32 height = cursor.be32();
        if (width > 0 && height > 0 && width <= maxLength && height <= maxLength)
            declared = QSize(int(width), int(height));
    }

    cursor.seek(signatureSize);
    for (;;) {
        const quint32 length = cursor.be32();
        const quint32 type = cursor.be32();
        if (cursor.overrun() || length > maxLength)
            return PictureIntegrity::damaged(declared);
        cursor.skip(qint64(length) + 4); // the data and its CRC
        if (cursor.overrun())
            return PictureIntegrity::damaged(declared);
        if (type == endChunk)
            return PictureIntegrity::whole(declared);
    }
}

} // namespace picture
