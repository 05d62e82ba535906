#include "picture/formats/modules/tga/TgaReader.h"

#include "picture/PictureFailures.h"
#include "picture/formats/FilePieces.h"
#include "picture/formats/FormatModule.h"
#include "picture/formats/StraightAlpha.h"
#include "picture/formats/TgaHeader.h"

#include <algorithm>
#include <vector>

namespace picture {

namespace {

using Kind = TgaHeader::Kind;

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

// A row of plain 24- or 32-bit values, in the file's order; one loop per width of value, so that the
// commonest TGAs cost little more than a copy.
template <int bytes>
void plainRow(const uchar* value, QRgb* line, int width, bool alpha) {
    for (QRgb* end = line + width; line != end; ++line, value += bytes)
        *line = qRgba(value[2], value[1], value[0], bytes == 4 && alpha ? value[3] : 255);
}

// The 2.0 extension area's attributes type: 3 for straight alpha, 4 for premultiplied, 0 to 2 for none;
// -1 when the file has no such area.
int attributesType(QIODevice& file) {
    const std::optional<qint64> extension = TgaHeader::extensionArea(file);
    if (!extension || *extension == 0)
        return -1;
    if (!file.seek(*extension))
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
    Colours(const TgaHeader& header, ByteCursor& in, bool alpha, bool premultiplied)
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

    const TgaHeader& header_;
    bool alpha_;
    bool premultiplied_;
    std::vector<QRgb> colours_;
};

// The pixel values in the file's order, stored plainly or in packets.
class Values {
public:
    Values(FilePieces& pieces, const TgaHeader& header, qint64 pixels)
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
    const TgaHeader header = TgaHeader::read(file.read(TgaHeader::bytes));
    header.refuseUnreadable();
    claim.budget().refuseIfTooLarge(header.size, claim.bytes());
    const QByteArray beforePixels = file.read(header.bytesBeforePixels());
    ByteCursor in(beforePixels);
    in.skip(header.idLength);
    const int attributes = attributesType(file);
    const bool alpha = attributes < 0 ? header.alphaBits > 0 : attributes == 3 || attributes == 4;
    const Colours colours(header, in, alpha, attributes == 4);
    const qint64 pixelsAt = TgaHeader::bytes + header.bytesBeforePixels();
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
            if (valueBytes == 3)
                plainRow<3>(value, line, width, false);
            else
                plainRow<4>(value, line, width, alpha);
            if (header.rightToLeft)
                std::reverse(line, line + width);
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
