#include "picture/formats/ExifOrientation.h"

#include "picture/formats/TiffDirectory.h"

namespace picture {

namespace {

constexpr quint16 orientationTag = 0x0112;
constexpr quint16 shortType = 3;

} // namespace

int ExifOrientation::read(QByteArrayView tiff) {
    ByteCursor cursor(tiff);
    const std::optional<qint64> directory = TiffDirectory::first(cursor);
    int orientation = 1;
    if (directory)
        TiffDirectory::walk(cursor, *directory, [&orientation](const TiffEntry& entry) {
            if (entry.tag != orientationTag || entry.type != shortType)
                return true;
            orientation = entry.inlineShort >= 1 && entry.inlineShort <= 8 ? entry.inlineShort : 1;
            return false;
        });
    return orientation;
}

} // namespace picture
