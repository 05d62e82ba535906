#include "picture/formats/CursorFile.h"

#include "desktop/Failures.h"
#include "desktop/Files.h"
#include "picture/LoadBudget.h"
#include "picture/PictureFailures.h"
#include "picture/formats/BmpHeader.h"
#include "picture/formats/BmpRowConverter.h"
#include "picture/formats/ByteCursor.h"
#include "picture/formats/PngReader.h"

#include <QBuffer>
#include <QPixmap>

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace picture {

namespace {

// Cursors are small; anything bigger is not one and would only cost memory.
constexpr qint64 maxFileBytes = 4 * 1024 * 1024;
constexpr int maxSide = 256;
constexpr int preferredSide = 32;
constexpr quint16 cursorType = 2;
constexpr qint64 pngHeaderChunkType = 12;
// The largest pointer's pixels and the few rows libpng keeps beside them.
constexpr qint64 pngBudget = qint64(maxSide) * maxSide * 4 + 64 * 1024;
const QByteArray pngSignature("\x89PNG\r\n\x1a\n", 8);

struct Entry {
    int width;
    int height;
    QPoint hotSpot;
    QByteArrayView image;
};

// One line of the directory; the picture it names must lie wholly inside the file.
Entry readEntry(ByteCursor& in, QByteArrayView file) {
    Entry entry;
    const int width = in.u8();
    const int height = in.u8();
    entry.width = width == 0 ? maxSide : width;
    entry.height = height == 0 ? maxSide : height;
    in.skip(2); // colour count and a reserved byte
    const int x = in.le16();
    entry.hotSpot = QPoint(x, in.le16());
    const qint64 length = in.le32();
    ByteCursor image(file);
    entry.image = image.at(in.le32()).bytes(length);
    if (in.overrun() || entry.image.isEmpty())
        invalidPicture();
    return entry;
}

Entry closestToPreferred(QByteArrayView file) {
    ByteCursor in(file);
    const quint16 reserved = in.le16();
    const quint16 type = in.le16();
    const int count = in.le16();
    if (reserved != 0 || type != cursorType || count == 0)
        invalidPicture();
    const auto distance = [](const Entry& e) {
        return std::abs(e.width - preferredSide) + std::abs(e.height - preferredSide);
    };
    std::optional<Entry> best;
    for (int i = 0; i < count; ++i) {
        const Entry entry = readEntry(in, file);
        if (!best || distance(entry) < distance(*best))
            best = entry;
    }
    return *best;
}

QImage decodePng(QBuffer& device) {
    // A tiny file must not ask for a huge picture: a pointer's size is settled by its header.
    ByteCursor in(device.data());
    if (in.at(pngHeaderChunkType).bytes(4) != "IHDR")
        invalidPicture();
    const quint32 width = in.be32();
    const quint32 height = in.be32();
    if (width == 0 || height == 0 || width > maxSide || height > maxSide)
        invalidPicture();
    LoadBudget budget(pngBudget);
    LoadBudget::Claim claim = budget.claim();
    Progress unwatched;
    return PngReader::decode(device, claim, unwatched).image.convertToFormat(QImage::Format_ARGB32);
}

// A cursor's bitmap is twice as high as its picture: the colour rows, bottom-up, then as many rows of a
// 1-bit mask that makes pixels transparent. A 32-bit picture whose alpha says anything ignores the mask.
QImage decodeBitmap(QBuffer& device) {
    BmpHeader header = BmpHeader::readBitmap(device, device.size());
    if (header.coding != BmpHeader::Coding::rows || header.topDown || header.height % 2 != 0)
        invalidPicture();
    header.height /= 2;
    if (header.width > maxSide || header.height > maxSide)
        invalidPicture();
    const qint64 maskStride = (qint64(header.width) + 31) / 32 * 4;
    ByteCursor in(device.data());
    in.seek(header.pixelOffset);
    const QByteArrayView colours = in.bytes(header.stride() * header.height);
    const QByteArrayView mask = in.bytes(maskStride * header.height);
    if (in.overrun())
        invalidPicture();

    QImage image(header.width, header.height, QImage::Format_ARGB32);
    if (image.isNull())
        outOfMemory();
    const BmpRowConverter converter(header);
    bool anyAlpha = false;
    for (int y = 0; y < header.height; ++y) {
        const qint64 stored = header.height - 1 - y;
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        converter.convert(reinterpret_cast<const uchar*>(colours.data()) + stored * header.stride(), line);
        if (header.masks[BmpHeader::alpha] != 0)
            anyAlpha =
                anyAlpha || std::any_of(line, line + header.width, [](QRgb p) { return qAlpha(p) != 0; });
    }
    if (anyAlpha)
        return image;
    for (int y = 0; y < header.height; ++y) {
        const auto* row = reinterpret_cast<const uchar*>(mask.data()) + (header.height - 1 - y) * maskStride;
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < header.width; ++x) {
            const bool transparent = (row[x / 8] >> (7 - x % 8)) & 1;
            line[x] = transparent ? qRgba(0, 0, 0, 0) : (line[x] | 0xff000000u);
        }
    }
    return image;
}

} // namespace

PointerImage CursorFile::parse(const QByteArray& data) {
    const Entry entry = closestToPreferred(data);
    QBuffer device;
    device.setData(entry.image.toByteArray());
    device.open(QIODevice::ReadOnly);
    PointerImage pointer;
    pointer.image = entry.image.startsWith(pngSignature) ? decodePng(device) : decodeBitmap(device);
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
