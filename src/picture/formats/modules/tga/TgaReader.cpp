#include "picture/formats/modules/tga/TgaReader.h"

#include "picture/PictureFailures.h"
#include "picture/formats/FilePieces.h"
#include "picture/formats/FormatModule.h"

#include <algorithm>
#include <vector>

namespace picture {

namespace {

enum class Kind { Mapped, TrueColour, Grey };

struct Header {
    Kind kind = Kind::TrueColour;
    bool runLength = false;
    QSize size;
    int idLength = 0;
    bool hasMap = false;
    int depth = 0;
    int mapFirst = 0;
    int mapLength = 0;
    int mapBits = 0;
    int alphaBits = 0;
    bool rightToLeft = false;
    bool topToBottom = false;
};

Header readHeader(ByteCursor& in) {
    Header header;
    header.idLength = in.u8();
    const int mapType = in.u8();
    const int type = in.u8();
    header.mapFirst = in.le16();
    header.mapLength = in.le16();
    header.mapBits = in.u8();
    in.skip(4); // the origin on a screen
    const int width = in.le16();
    const int height = in.le16();
    header.depth = in.u8();
    const int descriptor = in.u8();
    if (in.overrun() || mapType > 1)
        invalidPicture();
    header.size = QSize(width, height);
    header.hasMap = mapType == 1;
    header.runLength = type >= 9;
    header.alphaBits = descriptor & 0x0F;
    header.rightToLeft = descriptor & 0x10;
    header.topToBottom = descriptor & 0x20;
    switch (type % 8) {
    case 1:
        header.kind = Kind::Mapped;
        if (mapType != 1 || (header.depth != 8 && header.depth != 16) || header.mapLength == 0)
            unsupportedFormat();
        break;
    case 2:
        header.kind = Kind::TrueColour;
        if (header.depth != 15 && header.depth != 16 && header.depth != 24 && header.depth != 32)
            unsupportedFormat();
        break;
    case 3:
        header.kind = Kind::Grey;
        if (header.depth != 8 && header.depth != 16)
            unsupportedFormat();
        break;
    default:
        unsupportedFormat();
    }
    if ((type != 1 && type != 2 && type != 3 && type != 9 && type != 10 && type != 11) || (descriptor & 0xC0))
        unsupportedFormat(); // compressed in other ways, or rows interleaved
    if (mapType == 1 && header.mapBits != 15 && header.mapBits != 16 && header.mapBits != 24 &&
        header.mapBits != 32)
        invalidPicture();
    if (header.size.isEmpty())
        invalidPicture();
    return header;
}

// The bytes from the header to the pixels: the picture's identification, then the colour map.
qint64 bytesBeforePixels(const Header& header) {
    return header.idLength + (header.hasMap ? qint64(header.mapLength) * ((header.mapBits + 7) / 8) : 0);
}

// One colour as the file stores it, 15 to 32 bits, with straight alpha; alpha is
// opaque where the picture has none.
QRgb colour(const uchar* value, int bits, bool alpha) {
    if (bits == 15 || bits == 16) {
        const int v = value[0] | value[1] << 8;
        const auto five = [](int c) { return (c * 255 + 15) / 31; };
        return qRgba(five(v >> 10 & 31), five(v >> 5 & 31), five(v & 31),
                     alpha && bits == 16 && !(v & 0x8000) ? 0 : 255);
    }
    return qRgba(value[2], value[1], value[0], alpha && bits == 32 ? value[3] : 255);
}

// The 2.0 extension area's attributes type: 3 for straight alpha, 4 for premultiplied, 0 to 2 for none;
// -1 when the file has no such area.
int attributesType(QIODevice& file) {
    if (file.size() < 26 + 18 || !file.seek(file.size() - 26))
        return -1;
    const QByteArray footer = file.read(26);
    ByteCursor in(footer);
    const qint64 extension = in.le32();
    if (footer.size() != 26 || footer.sliced(8) != QByteArrayView("TRUEVISION-XFILE.\0", 18) ||
        extension == 0)
        return -1;
    if (!file.seek(extension))
        invalidPicture();
    const QByteArray area = file.read(495);
    ByteCursor fields(area);
    if (fields.le16() != 495)
        invalidPicture();
    const int type = fields.at(494).u8();
    if (fields.overrun())
        invalidPicture();
    return type;
}

// Turns the file's pixel values into colours.
class Colours {
public:
    Colours(const Header& header, ByteCursor& in, bool alpha, bool premultiplied)
        : header_(header), alpha_(alpha), premultiplied_(premultiplied) {
        if (header.kind != Kind::Mapped)
            return;
        const int entryBytes = (header.mapBits + 7) / 8;
        for (int i = 0; i < header.mapLength; ++i) {
            const QByteArrayView entry = in.bytes(entryBytes);
            if (entry.isEmpty())
                invalidPicture(); // the map cut short
            colours_.push_back(colour(reinterpret_cast<const uchar*>(entry.data()), header.mapBits, alpha));
        }
    }

    QRgb operator()(const uchar* value) const {
        const QRgb stored = lookUp(value);
        return premultiplied_ ? straight(stored) : stored;
    }

private:
    static QRgb straight(QRgb premultiplied) {
        const int alpha = qAlpha(premultiplied);
        const auto level = [alpha](int c) {
            return alpha == 0 ? 0 : std::min(255, (c * 255 + alpha / 2) / alpha);
        };
        return qRgba(level(qRed(premultiplied)), level(qGreen(premultiplied)), level(qBlue(premultiplied)),
                     alpha);
    }

    QRgb lookUp(const uchar* value) const {
        switch (header_.kind) {
        case Kind::Mapped: {
            const int index = (header_.depth == 16 ? value[0] | value[1] << 8 : value[0]) - header_.mapFirst;
            if (index < 0 || index >= int(colours_.size()))
                invalidPicture();
            return colours_[size_t(index)];
        }
        case Kind::Grey:
            return qRgba(value[0], value[0], value[0], alpha_ && header_.depth == 16 ? value[1] : 255);
        case Kind::TrueColour:
            break;
        }
        return colour(value, header_.depth, alpha_);
    }

    const Header& header_;
    bool alpha_;
    bool premultiplied_;
    std::vector<QRgb> colours_;
};

// The pixel values in the file's order, stored plainly or in packets.
class Values {
public:
    Values(FilePieces& pieces, const Header& header, qint64 pixels)
        : pieces_(pieces), bytes_((header.depth + 7) / 8), runLength_(header.runLength), left_(pixels) {}

    const uchar* next() {
        --left_;
        ByteCursor& in = pieces_.cursor(1 + bytes_);
        if (!runLength_)
            return take(in);
        if (packetLeft_ == 0) {
            const int packet = in.u8();
            packetLeft_ = (packet & 0x7F) + 1;
            repeats_ = packet & 0x80;
            if (packetLeft_ - 1 > left_)
                invalidPicture();
            if (repeats_)
                take(in);
        }
        --packetLeft_;
        return repeats_ ? held_ : take(in);
    }

    bool damaged() { return pieces_.cursor(0).overrun(); }

private:
    const uchar* take(ByteCursor& in) {
        const QByteArrayView value = in.bytes(bytes_);
        if (value.isEmpty())
            return zero_;
        std::copy(value.begin(), value.end(), held_);
        return held_;
    }

    FilePieces& pieces_;
    const int bytes_;
    const bool runLength_;
    qint64 left_;
    int packetLeft_ = 0;
    bool repeats_ = false;
    uchar held_[4] = {};
    const uchar zero_[4] = {};
};

} // namespace

DecodedPicture TgaReader::decode(QIODevice& file, LoadBudget::Claim& claim, Progress&) {
    const QByteArray fields = file.read(18);
    ByteCursor headerFields(fields);
    const Header header = readHeader(headerFields);
    claim.budget().refuseIfTooLarge(header.size, claim.bytes());
    const QByteArray beforePixels = file.read(bytesBeforePixels(header));
    ByteCursor in(beforePixels);
    in.skip(header.idLength);
    const int attributes = attributesType(file);
    const bool alpha = attributes < 0 ? header.alphaBits > 0 : attributes == 3 || attributes == 4;
    const Colours colours(header, in, alpha, attributes == 4);
    const qint64 pixelsAt = 18 + bytesBeforePixels(header);
    // A packet of one value runs at most 128 pixels: a file too short for its pixels is refused before
    // they exist.
    const qint64 pixels = qint64(header.size.width()) * header.size.height();
    const int valueBytes = (header.depth + 7) / 8;
    const qint64 stored = file.size() - pixelsAt;
    if (!file.seek(pixelsAt) ||
        (header.runLength ? stored / (1 + valueBytes) * 128 : stored / valueBytes) < pixels)
        invalidPicture();

    DecodedPicture decoded;
    decoded.image = claim.rgb32(header.size.width(), header.size.height());
    const int width = header.size.width();
    const int height = header.size.height();
    FilePieces pieces(file);
    Values values(pieces, header, pixels);
    // Plain rows of 24- or 32-bit colour, as most TGAs are, are read a row at a time.
    const bool plainRows =
        !header.runLength && header.kind == Kind::TrueColour && header.depth >= 24 && attributes != 4;
    const qint64 rowBytes = qint64(width) * valueBytes;
    for (int row = 0; row < height; ++row) {
        auto* line =
            reinterpret_cast<QRgb*>(decoded.image.scanLine(header.topToBottom ? row : height - 1 - row));
        if (plainRows) {
            const auto* value =
                reinterpret_cast<const uchar*>(pieces.cursor(rowBytes).bytes(rowBytes).data());
            if (!value)
                invalidPicture();
            for (int column = 0; column < width; ++column, value += valueBytes)
                line[header.rightToLeft ? width - 1 - column : column] = colour(value, header.depth, alpha);
            continue;
        }
        for (int column = 0; column < width; ++column)
            line[header.rightToLeft ? width - 1 - column : column] = colours(values.next());
        if (values.damaged())
            invalidPicture();
    }
    if (alpha)
        decoded.image.reinterpretAsFormat(QImage::Format_ARGB32); // laid on white after the colour stage
    return decoded;
}

} // namespace picture

KESTRELLE_FORMAT_MODULE(picture::TgaReader)
