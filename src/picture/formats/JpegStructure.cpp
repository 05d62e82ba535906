#include "picture/formats/JpegStructure.h"

#include "picture/formats/ByteCursor.h"

namespace picture {

namespace {

constexpr quint8 markerPrefix = 0xFF;
constexpr quint8 startOfImage = 0xD8;
constexpr quint8 endOfImage = 0xD9;
constexpr quint8 startOfScan = 0xDA;

// Markers without a length: restart intervals and the temporary marker.
bool isStandalone(quint8 marker) {
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
}

// Every SOFn carries the frame size; C4, C8 and CC share the range but are other segments.
bool isStartOfFrame(quint8 marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Entropy-coded data stuffs every FF as FF 00, so an FF D9 after the first scan is a real end of image.
// Searching from the back finds it at once; trailing bytes after it do no harm.
bool endsAfter(QByteArrayView bytes, qint64 scanData) {
    static constexpr char end[] = {char(markerPrefix), char(endOfImage)};
    return bytes.sliced(scanData).lastIndexOf(QByteArrayView(end, 2)) >= 0;
}

} // namespace

PictureIntegrity JpegStructure::inspect(QByteArrayView bytes) {
    ByteCursor cursor(bytes);
    if (cursor.u8() != markerPrefix || cursor.u8() != startOfImage)
        return PictureIntegrity::damaged();
    QSize declared;
    for (;;) {
        // Like libjpeg, step over stray bytes and fill bytes before a marker.
        quint8 marker = cursor.u8();
        if (marker != markerPrefix) {
            if (cursor.overrun())
                return PictureIntegrity::damaged(declared);
            continue;
        }
        while (marker == markerPrefix)
            marker = cursor.u8();
        if (cursor.overrun() || marker == startOfImage || marker == endOfImage)
            return PictureIntegrity::damaged(declared);
        if (marker == 0x00 || isStandalone(marker))
            continue;

        const qint64 segment = cursor.position();
        const quint16 length = cursor.be16();
        if (length < 2)
            return PictureIntegrity::damaged(declared);
        if (isStartOfFrame(marker)) {
            cursor.skip(1); // sample precision
            const int height = cursor.be16();
            const int width = cursor.be16();
            if (width > 0 && height > 0)
                declared = QSize(width, height);
        }
        cursor.seek(segment + length);
        if (cursor.overrun())
            return PictureIntegrity::damaged(declared);
        if (marker == startOfScan)
            return endsAfter(bytes, cursor.position()) ? PictureIntegrity::whole(declared)
                                                       : PictureIntegrity::damaged(declared);
    }
}

} // namespace picture
