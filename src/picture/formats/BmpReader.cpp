#include "picture/formats/BmpReader.h"

#include "picture/PictureFailures.h"
#include "picture/formats/BmpHeader.h"
#include "picture/formats/BmpRowConverter.h"
#include "picture/formats/BmpRunLength.h"

#include <algorithm>
#include <new>
#include <vector>

namespace picture {

namespace {

constexpr qint64 blockBytes = 4 * 1024 * 1024;

// The pixels, claimed from the header; the few megabytes of rows read at a time are not counted.
QImage allocate(const BmpHeader& header, LoadBudget::Claim& claim) {
    const QSize size(header.width, header.height);
    claim.budget().refuseIfTooLarge(size, claim.bytes());
    return claim.rgb32(size.width(), size.height());
}

void readRows(QIODevice& file, const BmpHeader& header, QImage& image) {
    const qint64 stride = header.stride();
    if (header.pixelOffset + stride * header.height > file.size() || !file.seek(header.pixelOffset))
        invalidPicture();
    const BmpRowConverter converter(header);
    if (converter.hasAlpha())
        image.reinterpretAsFormat(QImage::Format_ARGB32);
    const qint64 rowsPerBlock = std::clamp<qint64>(blockBytes / stride, 1, header.height);
    std::vector<char> block;
    try {
        block.resize(size_t(rowsPerBlock * stride));
    } catch (const std::bad_alloc&) {
        outOfMemory();
    }
    for (qint64 first = 0; first < header.height; first += rowsPerBlock) {
        const qint64 rows = std::min(rowsPerBlock, header.height - first);
        if (file.read(block.data(), rows * stride) != rows * stride)
            invalidPicture();
        for (qint64 row = 0; row < rows; ++row) {
            const qint64 stored = first + row;
            const int y = int(header.topDown ? stored : header.height - 1 - stored);
            converter.convert(reinterpret_cast<const uchar*>(block.data()) + row * stride,
                              reinterpret_cast<QRgb*>(image.scanLine(y)));
        }
    }
}

QByteArray readProfile(QIODevice& file, const BmpHeader& header) {
    if (header.profileSize == 0)
        return {};
    QByteArray profile;
    if (file.seek(header.profileOffset))
        profile = file.read(header.profileSize);
    if (profile.size() != header.profileSize)
        invalidPicture();
    return profile;
}

} // namespace

DecodedPicture BmpReader::decode(QIODevice& file, LoadBudget::Claim& claim, Progress&) {
    const BmpHeader header = BmpHeader::read(file, file.size());
    DecodedPicture decoded;
    decoded.image = allocate(header, claim);
    if (header.coding == BmpHeader::Coding::rows) {
        readRows(file, header, decoded.image);
    } else {
        decoded.image.fill(Qt::white);
        BmpRunLength::decode(file, header, decoded.image);
    }
    decoded.colour.iccProfile = readProfile(file, header);
    decoded.colour.chromaticities = header.primaries;
    decoded.colour.fileGamma = header.fileGamma;
    return decoded;
}

} // namespace picture
