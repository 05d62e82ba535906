#include "picture/formats/modules/qoi/QoiReader.h"

#include "picture/PictureFailures.h"
#include "picture/formats/FilePieces.h"
#include "picture/formats/FormatModule.h"

#include <array>
#include <limits>

namespace picture {

namespace {

struct Header {
    QSize size;
    bool alpha = false;
    bool linear = false;
};

Header readHeader(QIODevice& file) {
    const QByteArray bytes = file.read(14);
    ByteCursor header(bytes);
    if (header.bytes(4) != "qoif")
        invalidPicture();
    const quint32 width = header.be32();
    const quint32 height = header.be32();
    const int channels = header.u8();
    const int colourSpace = header.u8();
    constexpr quint32 largest = std::numeric_limits<int>::max();
    if (header.overrun() || width == 0 || height == 0 || width > largest || height > largest ||
        (channels != 3 && channels != 4) || colourSpace > 1)
        invalidPicture();
    return {QSize(int(width), int(height)), channels == 4, colourSpace == 1};
}

struct Pixel {
    quint8 r = 0, g = 0, b = 0, a = 255;
};

// Walks the operations, each pixel once, from the top row down.
class Operations {
public:
    Operations(FilePieces& pieces, qint64 pixels) : pieces_(pieces), left_(pixels) {}

    Pixel next() {
        --left_;
        if (run_ > 0) {
            --run_;
            return pixel_;
        }
        ByteCursor& in = pieces_.cursor(5);
        const quint8 op = in.u8();
        if (op == 0xFE) {
            pixel_.r = in.u8();
            pixel_.g = in.u8();
            pixel_.b = in.u8();
        } else if (op == 0xFF) {
            pixel_.r = in.u8();
            pixel_.g = in.u8();
            pixel_.b = in.u8();
            pixel_.a = in.u8();
        } else if (op >> 6 == 0) {
            pixel_ = seen_[op];
        } else if (op >> 6 == 1) {
            pixel_.r = quint8(pixel_.r + ((op >> 4) & 3) - 2);
            pixel_.g = quint8(pixel_.g + ((op >> 2) & 3) - 2);
            pixel_.b = quint8(pixel_.b + (op & 3) - 2);
        } else if (op >> 6 == 2) {
            const int green = (op & 0x3F) - 32;
            const quint8 rest = in.u8();
            pixel_.r = quint8(pixel_.r + green - 8 + (rest >> 4));
            pixel_.g = quint8(pixel_.g + green);
            pixel_.b = quint8(pixel_.b + green - 8 + (rest & 0x0F));
        } else {
            run_ = op & 0x3F; // the pixels after this one
            if (run_ > left_)
                invalidPicture();
        }
        seen_[(pixel_.r * 3 + pixel_.g * 5 + pixel_.b * 7 + pixel_.a * 11) % 64] = pixel_;
        return pixel_;
    }

    bool damaged() { return pieces_.cursor(0).overrun(); }

private:
    FilePieces& pieces_;
    qint64 left_;
    int run_ = 0;
    Pixel pixel_;
    std::array<Pixel, 64> seen_{};
};

} // namespace

DecodedPicture QoiReader::decode(QIODevice& file, LoadBudget::Claim& claim, Progress&) {
    const Header header = readHeader(file);
    claim.budget().refuseIfTooLarge(header.size, claim.bytes());
    // One byte runs at most 62 pixels: a file too short for its pixels is refused before they exist.
    const qint64 pixels = qint64(header.size.width()) * header.size.height();
    if ((file.size() - 14 - 8) * 62 < pixels)
        invalidPicture();
    DecodedPicture decoded;
    if (header.linear)
        decoded.colour.fileGamma = 1.0;
    decoded.image = claim.rgb32(header.size.width(), header.size.height());

    FilePieces pieces(file);
    Operations operations(pieces, pixels);
    for (int y = 0; y < decoded.image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(decoded.image.scanLine(y));
        for (int x = 0; x < decoded.image.width(); ++x) {
            const Pixel p = operations.next();
            row[x] = qRgba(p.r, p.g, p.b, header.alpha ? p.a : 255);
        }
        if (operations.damaged())
            invalidPicture();
    }
    if (pieces.cursor(8).bytes(8) != QByteArrayView("\0\0\0\0\0\0\0\1", 8))
        invalidPicture();
    if (header.alpha)
        decoded.image.reinterpretAsFormat(QImage::Format_ARGB32); // laid on white after the colour stage
    return decoded;
}

} // namespace picture

KESTRELLE_FORMAT_MODULE(picture::QoiReader)
