#include "picture/CursorFile.h"

#include "desktop/Files.h"
#include "picture/PictureFailures.h"

#include <QPixmap>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace picture {

namespace {

// Cursors are small; anything bigger is not one and would only cost memory.
constexpr qint64 maxFileBytes = 4 * 1024 * 1024;
constexpr int maxSide = 256;
constexpr int preferredSide = 32;
constexpr qint64 dirHeaderBytes = 6;
constexpr qint64 dirEntryBytes = 16;
constexpr qint64 infoHeaderBytes = 40;
const QByteArray pngSignature("\x89PNG\r\n\x1a\n", 8);

// Bounds-checked little-endian reads over the file's bytes; every position is 64-bit so that
// offsets from the file cannot wrap.
class Reader {
public:
    explicit Reader(const QByteArray& data) : data_(data) {}

    qint64 size() const { return data_.size(); }
    uint8_t u8(qint64 pos) const {
        require(pos, 1);
        return uint8_t(data_[pos]);
    }
    uint32_t u16(qint64 pos) const { return uint32_t(u8(pos)) | uint32_t(u8(pos + 1)) << 8; }
    uint32_t u32(qint64 pos) const { return u16(pos) | u16(pos + 2) << 16; }
    int32_t i32(qint64 pos) const { return int32_t(u32(pos)); }
    uint32_t u32BigEndian(qint64 pos) const {
        return uint32_t(u8(pos)) << 24 | uint32_t(u8(pos + 1)) << 16 | uint32_t(u8(pos + 2)) << 8 |
               u8(pos + 3);
    }
    void require(qint64 pos, qint64 length) const {
        if (pos < 0 || length < 0 || pos > size() || length > size() - pos)
            invalidPicture();
    }

private:
    const QByteArray& data_;
};

struct Entry {
    int width;
    int height;
    QPoint hotSpot;
    qint64 offset;
    qint64 length;
};

Entry readEntry(const Reader& in, qint64 pos) {
    Entry entry;
    entry.width = in.u8(pos) == 0 ? maxSide : in.u8(pos);
    entry.height = in.u8(pos + 1) == 0 ? maxSide : in.u8(pos + 1);
    entry.hotSpot = QPoint(int(in.u16(pos + 4)), int(in.u16(pos + 6)));
    entry.length = in.u32(pos + 8);
    entry.offset = in.u32(pos + 12);
    if (entry.length == 0)
        invalidPicture();
    in.require(entry.offset, entry.length);
    return entry;
}

Entry closestToPreferred(const Reader& in) {
    if (in.u16(0) != 0 || in.u16(2) != 2)
        invalidPicture();
    const qint64 count = in.u16(4);
    if (count == 0)
        invalidPicture();
    in.require(dirHeaderBytes, count * dirEntryBytes);
    Entry best = readEntry(in, dirHeaderBytes);
    const auto distance = [](const Entry& e) {
        return std::abs(e.width - preferredSide) + std::abs(e.height - preferredSide);
    };
    for (qint64 i = 1; i < count; ++i) {
        const Entry entry = readEntry(in, dirHeaderBytes + i * dirEntryBytes);
        if (distance(entry) < distance(best))
            best = entry;
    }
    return best;
}

QImage decodePng(const QByteArray& bytes) {
    // Check the size in the header first so that a tiny file cannot ask for a huge picture.
    const Reader in(bytes);
    constexpr qint64 widthPos = 16;
    if (bytes.mid(12, 4) != "IHDR")
        invalidPicture();
    const uint32_t width = in.u32BigEndian(widthPos);
    const uint32_t height = in.u32BigEndian(widthPos + 4);
    if (width == 0 || height == 0 || width > maxSide || height > maxSide)
        invalidPicture();
    QImage image;
    if (!image.loadFromData(bytes, "PNG") || image.isNull())
        invalidPicture();
    return image.convertToFormat(QImage::Format_ARGB32);
}

qint64 rowBytes(qint64 width, qint64 bitsPerPixel) {
    return (width * bitsPerPixel + 31) / 32 * 4;
}

QImage decodeDib(const QByteArray& bytes) {
    const Reader in(bytes);
    const qint64 headerSize = in.u32(0);
    const int32_t width = in.i32(4);
    const int32_t doubledHeight = in.i32(8);
    const uint32_t planes = in.u16(12);
    const uint32_t bitCount = in.u16(14);
    const uint32_t compression = in.u32(16);
    const uint32_t coloursUsed = in.u32(32);
    if (headerSize < infoHeaderBytes || planes != 1 || compression != 0)
        invalidPicture();
    if (width <= 0 || width > maxSide || doubledHeight <= 0 || doubledHeight % 2 != 0 ||
        doubledHeight / 2 > maxSide)
        invalidPicture();
    const int height = doubledHeight / 2;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32)
        invalidPicture();

    std::vector<QRgb> palette;
    if (bitCount <= 8) {
        const uint32_t maxColours = 1u << bitCount;
        const uint32_t colours = coloursUsed == 0 ? maxColours : coloursUsed;
        if (colours > maxColours)
            invalidPicture();
        in.require(headerSize, qint64(colours) * 4);
        for (uint32_t i = 0; i < colours; ++i) {
            const qint64 at = headerSize + qint64(i) * 4;
            palette.push_back(qRgb(in.u8(at + 2), in.u8(at + 1), in.u8(at)));
        }
    }
    const qint64 xorStart = headerSize + qint64(palette.size()) * 4;
    const qint64 xorStride = rowBytes(width, bitCount);
    const qint64 andStart = xorStart + xorStride * height;
    const qint64 andStride = rowBytes(width, 1);
    in.require(xorStart, xorStride * height + andStride * height);

    QImage image(width, height, QImage::Format_ARGB32);
    if (image.isNull())
        invalidPicture();
    bool anyAlpha = false;
    for (int y = 0; y < height; ++y) {
        // Rows are stored bottom-up.
        const qint64 row = xorStart + qint64(height - 1 - y) * xorStride;
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            if (bitCount <= 8) {
                const qint64 bit = qint64(x) * bitCount;
                const int shift = 8 - int(bitCount) - int(bit % 8);
                const uint32_t index = (in.u8(row + bit / 8) >> shift) & ((1u << bitCount) - 1);
                if (index >= palette.size())
                    invalidPicture();
                line[x] = palette[index];
            } else {
                const qint64 at = row + qint64(x) * (bitCount / 8);
                const uint32_t alpha = bitCount == 32 ? in.u8(at + 3) : 0;
                anyAlpha = anyAlpha || alpha != 0;
                line[x] = qRgba(in.u8(at + 2), in.u8(at + 1), in.u8(at), int(alpha));
            }
        }
    }
    if (anyAlpha)
        return image;
    for (int y = 0; y < height; ++y) {
        const qint64 row = andStart + qint64(height - 1 - y) * andStride;
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const bool transparent = (in.u8(row + x / 8) >> (7 - x % 8)) & 1;
            line[x] = transparent ? qRgba(0, 0, 0, 0) : (line[x] | 0xff000000u);
        }
    }
    return image;
}

} // namespace

PointerImage CursorFile::parse(const QByteArray& data) {
    const Reader in(data);
    const Entry entry = closestToPreferred(in);
    const QByteArray bytes = data.mid(entry.offset, entry.length);
    PointerImage pointer;
    pointer.image = bytes.startsWith(pngSignature) ? decodePng(bytes) : decodeDib(bytes);
    pointer.hotSpot = entry.hotSpot;
    if (!pointer.image.rect().contains(pointer.hotSpot))
        invalidPicture();
    return pointer;
}

QCursor CursorFile::load(const QString& path) {
    const QByteArray data = desktop::readRegularFile(path, maxFileBytes + 1, desktop::fileNotFound);
    if (data.size() > maxFileBytes)
        invalidPicture();
    const PointerImage pointer = parse(data);
    return QCursor(QPixmap::fromImage(pointer.image), pointer.hotSpot.x(), pointer.hotSpot.y());
}

} // namespace picture
