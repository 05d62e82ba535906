#include "picture/formats/modules/qoi/QoiReader.h"

#include "picture/PictureFailures.h"
#include "picture/formats/FilePieces.h"
#include "picture/formats/FormatModule.h"

#include <algorithm>
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
    Operations(FilePieces& pieces, qint64 pixels, bool alpha)
        : pieces_(pieces), left_(pixels), alpha_(alpha) {}

    // The next count pixels. An operation takes at most 5 bytes, so one piece of the file holds all that
    // count pixels need unless the file ends first; each operation is checked against the piece's end.
    void fill(QRgb* out, int count) {
        count -= repeat(out, count);
        if (count == 0)
            return;
        ByteCursor& in = pieces_.cursor(qint64(count) * 5);
        const qint64 start = in.position();
        const QByteArrayView piece = in.bytes(std::min(in.size() - start, qint64(count) * 5));
        const auto* const first = reinterpret_cast<const uchar*>(piece.data());
        const uchar* p = first;
        const uchar* const end = p + piece.size();
        while (count > 0) {
            // Only near the piece's end can an operation run past it.
            if (end - p < 5 && (p == end || end - p < lengthOf(*p)))
                invalidPicture();
            const quint8 op = *p++;
            if (op == 0xFE) {
                pixel_ = {p[0], p[1], p[2], pixel_.a};
                p += 3;
            } else if (op == 0xFF) {
                pixel_ = {p[0], p[1], p[2], p[3]};
                p += 4;
            } else if (op >> 6 == 0) {
                pixel_ = seen_[op];
            } else if (op >> 6 == 1) {
                pixel_.r = quint8(pixel_.r + ((op >> 4) & 3) - 2);
                pixel_.g = quint8(pixel_.g + ((op >> 2) & 3) - 2);
                pixel_.b = quint8(pixel_.b + (op & 3) - 2);
            } else if (op >> 6 == 2) {
                const int green = (op & 0x3F) - 32;
                const quint8 rest = *p++;
                pixel_.r = quint8(pixel_.r + green - 8 + (rest >> 4));
                pixel_.g = quint8(pixel_.g + green);
                pixel_.b = quint8(pixel_.b + green - 8 + (rest & 0x0F));
            } else {
                run_ = op & 0x3F; // the pixels after this one
                if (run_ > left_ - 1)
                    invalidPicture();
            }
            seen_[unsigned(pixel_.r * 3 + pixel_.g * 5 + pixel_.b * 7 + pixel_.a * 11) % 64] = pixel_;
            colour_ = qRgba(pixel_.r, pixel_.g, pixel_.b, alpha_ ? pixel_.a : 255);
            *out++ = colour_;
            --left_;
            --count;
            if (run_ > 0) {
                const int repeated = repeat(out, count);
                out += repeated;
                count -= repeated;
            }
        }
        in.seek(start + (p - first));
    }

private:
    static int lengthOf(quint8 op) { return op == 0xFF ? 5 : op == 0xFE ? 4 : op >> 6 == 2 ? 2 : 1; }

    // Continues a run over up to count pixels; how many it filled.
    int repeat(QRgb* out, int count) {
        const int repeated = int(std::min<qint64>(run_, count));
        std::fill_n(out, repeated, colour_);
        run_ -= repeated;
        left_ -= repeated;
        return repeated;
    }

    FilePieces& pieces_;
    qint64 left_;
    bool alpha_;
    qint64 run_ = 0;
    Pixel pixel_;
    QRgb colour_ = 0;
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
    Operations operations(pieces, pixels, header.alpha);
    // A row at a time, in pieces of a bounded size however wide the picture.
    constexpr int piecePixels = 16 * 1024;
    for (int y = 0; y < decoded.image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(decoded.image.scanLine(y));
        for (int x = 0; x < decoded.image.width(); x += piecePixels)
            operations.fill(row + x, std::min(piecePixels, decoded.image.width() - x));
    }
    if (pieces.cursor(8).bytes(8) != QByteArrayView("\0\0\0\0\0\0\0\1", 8))
        invalidPicture();
    if (header.alpha)
        decoded.image.reinterpretAsFormat(QImage::Format_ARGB32); // laid on white after the colour stage
    return decoded;
}

} // namespace picture

KESTRELLE_FORMAT_MODULE(picture::QoiReader)
