#pragma once

#include <QByteArrayView>

namespace picture {

// The orientation tag of an EXIF block: a TIFF header and its first directory.
class ExifOrientation {
public:
    // 1 to 8, or 1 when the block does not say or cannot be read.
    static int read(QByteArrayView tiff);
};

} // namespace picture
