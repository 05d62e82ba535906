#include "picture/formats/GifStructure.h"

#include "picture/formats/ByteCursor.h"

namespace picture {

namespace {

constexpr quint8 extensionIntroducer = 0x21;
constexpr quint8 imageSeparator = 0x2C;
constexpr quint8 trailer = 0x3B;
constexpr quint8 hasColorTable = 0x80;

void skipColorTable(ByteCursor& cursor, quint8 flags) {
    if (flags & hasColorTable)
        cursor.skip(3 << ((flags & 0x07) + 1));
}

// Data sub-blocks: a length byte and that many bytes, until a zero length.
void skipSubBlocks(ByteCursor& cursor) {
    for (quint8 length = cursor.u8(); length != 0 && !cursor.overrun(); length = cursor.u8())
        cursor.skip(length);
}

} // namespace

PictureIntegrity GifStructure::inspect(QByteArrayView bytes) {
    ByteCursor cursor(bytes);
    cursor.skip(6); // signature and version
    const int screenWidth = cursor.le16();
    const int screenHeight = cursor.le16();
    const quint8 screenFlags = cursor.u8();
    cursor.skip(2); // background colour and aspect ratio
    skipColorTable(cursor, screenFlags);

    // The reader sizes its picture by the logical screen, falling back on the first frame's extent
    // where the screen claims zero.
    QSize declared(screenWidth, screenHeight);
    bool firstFrame = true;
    while (!cursor.overrun()) {
        const quint8 block = cursor.u8();
        if (block == trailer)
            return PictureIntegrity::whole(declared);
        if (block == extensionIntroducer) {
            cursor.skip(1); // label
            skipSubBlocks(cursor);
        } else if (block == imageSeparator) {
            const int left = cursor.le16();
            const int top = cursor.le16();
            const int width = cursor.le16();
            const int height = cursor.le16();
            if (firstFrame) {
                declared = QSize(screenWidth ? screenWidth : left + width,
                                 screenHeight ? screenHeight : top + height);
                firstFrame = false;
            }
            skipColorTable(cursor, cursor.u8());
            cursor.skip(1); // LZW minimum code size
            skipSubBlocks(cursor);
        } else {
            break;
        }
    }
    return PictureIntegrity::damaged(declared);
}

} // namespace picture
