#include "picture/formats/ExifOrientation.h"

#include "picture/formats/ByteCursor.h"

namespace picture {

namespace {

constexpr quint16 orientationTag = 0x0112;
constexpr quint16 shortType = 3;

} // namespace

int ExifOrientation::read(QByteArrayView tiff) {
    ByteCursor cursor(tiff);
    const quint16 order = cursor.be16();
    const bool big = order == 0x4D4D;
    if (!big && order != 0x4949)
        return 1;
    const auto u16 = [&] { return big ? cursor.be16() : cursor.le16(); };
    const auto u32 = [&] { return big ? cursor.be32() : cursor.le32(); };
    if (u16() != 42)
        return 1;
    cursor.seek(u32());
    const int entries = u16();
    for (int i = 0; i < entries && !cursor.overrun(); ++i) {
        const quint16 tag = u16();
        const quint16 type = u16();
        cursor.skip(4); // count
        const quint16 value = u16();
        cursor.skip(2);
        if (tag == orientationTag && type == shortType && !cursor.overrun())
            return value >= 1 && value <= 8 ? value : 1;
    }
    return 1;
}

} // namespace picture
