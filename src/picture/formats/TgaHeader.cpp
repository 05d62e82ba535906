#include "picture/formats/TgaHeader.h"

#include "picture/PictureFailures.h"
#include "picture/formats/ByteCursor.h"

#include <algorithm>
#include <initializer_list>

namespace picture {

namespace {

bool oneOf(int value, std::initializer_list<int> allowed) {
    return std::find(allowed.begin(), allowed.end(), value) != allowed.end();
}

} // namespace

TgaHeader TgaHeader::read(QByteArrayView bytes) {
    ByteCursor in(bytes);
    TgaHeader header;
    header.idLength = in.u8();
    header.mapType = in.u8();
    header.type_ = in.u8();
    header.mapFirst = in.le16();
    header.mapLength = in.le16();
    header.mapBits = in.u8();
    in.skip(4); // the origin on a screen
    const int width = in.le16();
    const int height = in.le16();
    header.depth = in.u8();
    header.descriptor_ = in.u8();
    header.cut_ = in.overrun();
    header.size = QSize(width, height);
    header.kind = header.type_ % 8 == 1   ? Kind::Mapped
                  : header.type_ % 8 == 3 ? Kind::Grey
                                          : Kind::TrueColour;
    header.runLength = header.type_ >= 9;
    header.alphaBits = header.descriptor_ & 0x0F;
    header.rightToLeft = header.descriptor_ & 0x10;
    header.topToBottom = header.descriptor_ & 0x20;
    return header;
}

std::optional<qint64> TgaHeader::extensionArea(QIODevice& file) {
    constexpr qint64 footerBytes = 26;
    if (file.size() < bytes + footerBytes || !file.seek(file.size() - footerBytes))
        return std::nullopt;
    const QByteArray footer = file.read(footerBytes);
    if (footer.size() != footerBytes || footer.sliced(8) != QByteArrayView("TRUEVISION-XFILE.\0", 18))
        return std::nullopt;
    return ByteCursor(footer).le32();
}

TgaHeader::Fault TgaHeader::fault() const {
    if (cut_ || mapType > 1)
        return Fault::invalid;
    const bool depthReadable = kind == Kind::Mapped ? mapType == 1 && oneOf(depth, {8, 16}) && mapLength > 0
                               : kind == Kind::TrueColour ? oneOf(depth, {15, 16, 24, 32})
                                                          : oneOf(depth, {8, 16});
    // Other codings, or rows interleaved.
    if (!depthReadable || !oneOf(type_, {1, 2, 3, 9, 10, 11}) || (descriptor_ & 0xC0))
        return Fault::unsupported;
    if ((mapType == 1 && !oneOf(mapBits, {15, 16, 24, 32})) || size.isEmpty())
        return Fault::invalid;
    return Fault::none;
}

void TgaHeader::refuseUnreadable() const {
    switch (fault()) {
    case Fault::none:
        return;
    case Fault::unsupported:
        unsupportedFormat();
    case Fault::invalid:
        invalidPicture();
    }
}

bool TgaHeader::claimsFile() const {
    const bool mapped = kind == Kind::Mapped;
    // The bits of alpha each pixel can hold: in its colour map's entries, or beside its grey.
    const int alphaRoom = mapped                                               ? (mapBits == 32   ? 8
                                                                                  : mapBits == 16 ? 1
                                                                                                  : 0)
                          : depth == 32 || (kind == Kind::Grey && depth == 16) ? 8
                          : depth == 16                                        ? 1
                                                                               : 0;
    return fault() == Fault::none &&
           (mapped || (mapType == 0 && mapFirst == 0 && mapLength == 0 && mapBits == 0)) &&
           alphaBits <= alphaRoom;
}

qint64 TgaHeader::bytesBeforePixels() const {
    return idLength + (mapType == 1 ? qint64(mapLength) * ((mapBits + 7) / 8) : 0);
}

} // namespace picture
