#include "support/ExifJpeg.h"

namespace test {

QByteArray withExifOrientation(const QByteArray& jpeg, int orientation) {
    // Little-endian TIFF: one directory at offset 8 holding one SHORT, tag 0x0112, then no next directory.
    QByteArray exif("Exif\0\0II*\0\x08\0\0\0"
                    "\x01\0"
                    "\x12\x01\x03\0\x01\0\0\0",
                    24);
    exif += char(orientation);
    exif += QByteArray(7, '\0');
    const int length = int(exif.size()) + 2;
    QByteArray segment("\xff\xe1");
    segment += char(length >> 8);
    segment += char(length & 0xff);
    return jpeg.left(2) + segment + exif + jpeg.mid(2);
}

} // namespace test
