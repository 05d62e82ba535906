#include "picture/formats/BmpHeader.h"

#include "picture/PictureFailures.h"

#include <QtEndian>

#include <bit>
#include <limits>

namespace picture {

namespace {

constexpr qint64 fileHeaderSize = 14;
constexpr quint32 os2CoreSize = 12;
constexpr quint32 largestInfoSize = 124;
constexpr quint32 embeddedProfile = 0x4d424544; // 'MBED'
constexpr quint32 calibratedRgb = 0;
constexpr qint64 largestProfile = 64 * 1024 * 1024;

enum Compression : quint32 { rgb = 0, rle8 = 1, rle4 = 2, bitFields = 3, alphaBitFields = 6 };

QByteArray readExactly(QIODevice& file, qint64 count) {
    QByteArray bytes = file.read(count);
    if (bytes.size() != count)
        invalidPicture();
    return bytes;
}

quint32 le32(const QByteArray& bytes, qsizetype at) {
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

quint16 le16(const QByteArray& bytes, qsizetype at) {
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

// Windows headers are 40 bytes, 52 or 56 with mask fields, 108 or 124; every other size from 16 to 64 is
// one of OS/2 2.x's, which may stop after any field.
bool isWindowsInfoSize(quint32 size) {
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

bool isOs2InfoSize(quint32 size) {
    return size >= 16 && size <= 64 && !isWindowsInfoSize(size);
}

// A channel's bits must be one unbroken run; channels must not share bits nor reach past the pixel.
void checkMasks(const std::array<quint32, 4>& masks, int bitCount) {
    quint32 seen = 0;
    for (quint32 mask : masks) {
        if (mask == 0)
            continue;
        const quint32 run = mask >> std::countr_zero(mask);
        if ((run & (run + 1)) != 0 || (seen & mask) != 0)
            invalidPicture();
        seen |= mask;
    }
    if (bitCount < 32 && (seen >> bitCount) != 0)
        invalidPicture();
    if ((masks[BmpHeader::red] | masks[BmpHeader::green] | masks[BmpHeader::blue]) == 0)
        invalidPicture();
}

QList<QRgb> readPalette(QIODevice& file, qint64 offset, qint64 end, int entrySize, qint64 wanted) {
    const qint64 count = std::min(wanted, std::max<qint64>(0, end - offset) / entrySize);
    if (count == 0 || !file.seek(offset))
        invalidPicture();
    const QByteArray bytes = readExactly(file, count * entrySize);
    QList<QRgb> palette;
    palette.reserve(count);
    for (qint64 i = 0; i < count; ++i) {
        const uchar* entry = reinterpret_cast<const uchar*>(bytes.constData()) + i * entrySize;
        palette.append(qRgb(entry[2], entry[1], entry[0]));
    }
    return palette;
}

// The CIE XYZ of the three primaries at full strength, as 2.30 fixed point, and each channel's gamma as
// 16.16; the white is the three together. All zero, as many writers leave them, says nothing.
void readCalibration(const QByteArray& info, BmpHeader& header) {
    std::array<double, 9> xyz{};
    for (int i = 0; i < 9; ++i)
        xyz[i] = le32(info, 60 + i * 4) / double(1 << 30);
    const auto xy = [](double x, double y, double z, double& outX, double& outY) {
        outX = x / (x + y + z);
        outY = y / (x + y + z);
    };
    for (int primary = 0; primary < 3; ++primary)
        if (xyz[primary * 3] + xyz[primary * 3 + 1] + xyz[primary * 3 + 2] <= 0 || xyz[primary * 3 + 1] <= 0)
            return;
    Chromaticities c{};
    xy(xyz[0] + xyz[3] + xyz[6], xyz[1] + xyz[4] + xyz[7], xyz[2] + xyz[5] + xyz[8], c.whiteX, c.whiteY);
    xy(xyz[0], xyz[1], xyz[2], c.redX, c.redY);
    xy(xyz[3], xyz[4], xyz[5], c.greenX, c.greenY);
    xy(xyz[6], xyz[7], xyz[8], c.blueX, c.blueY);
    header.primaries = c;
    const double gamma = le32(info, 96) / 65536.0;
    header.fileGamma = gamma > 0 ? 1 / gamma : 0;
}

} // namespace

BmpHeader BmpHeader::read(QIODevice& file, qint64 fileSize) {
    const QByteArray start = readExactly(file, fileHeaderSize + 4);
    if (start[0] != 'B' || start[1] != 'M')
        invalidPicture();
    BmpHeader header;
    header.pixelOffset = le32(start, 10);
    const quint32 infoSize = le32(start, 14);
    const bool core = infoSize == os2CoreSize;
    const bool os2 = core || isOs2InfoSize(infoSize);
    if (!os2 && !isWindowsInfoSize(infoSize))
        invalidPicture();
    // The fields past the size, padded with zeros to the longest layout so that absent fields read as 0.
    QByteArray info = readExactly(file, infoSize - 4);
    info.prepend(start.mid(14));
    info.resize(largestInfoSize, '\0');

    qint64 width = 0;
    qint64 height = 0;
    quint32 compression = rgb;
    qint64 coloursUsed = 0;
    if (core) {
        width = le16(info, 4);
        height = le16(info, 6);
        header.bitCount = le16(info, 10);
    } else {
        width = qint32(le32(info, 4));
        height = qint32(le32(info, 8)); // negative for rows stored top-down
        header.bitCount = le16(info, 14);
        compression = le32(info, 16);
        coloursUsed = le32(info, 32);
    }
    header.topDown = height < 0;
    height = qAbs(height);
    if (width <= 0 || height == 0 || height > std::numeric_limits<int>::max())
        invalidPicture();
    header.width = int(width);
    header.height = int(height);

    const int bits = header.bitCount;
    qint64 masksEnd = fileHeaderSize + infoSize;
    switch (compression) {
    case rgb:
        if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
            invalidPicture();
        if (bits == 16)
            header.masks = {0x7c00, 0x03e0, 0x001f, 0};
        else if (bits == 32)
            header.masks = {0xff0000, 0x00ff00, 0x0000ff, 0};
        break;
    case rle8:
    case rle4:
        if (header.topDown || bits != (compression == rle8 ? 8 : 4))
            invalidPicture();
        header.coding = compression == rle8 ? Coding::runs8 : Coding::runs4;
        break;
    case bitFields:
    case alphaBitFields: {
        // OS/2 2.x uses these numbers for Huffman and 24-bit run-length coding, which nothing writes today.
        if (os2 || (bits != 16 && bits != 32))
            invalidPicture();
        const int maskCount = compression == alphaBitFields ? 4 : 3;
        if (infoSize == 40) {
            const QByteArray masks = readExactly(file, maskCount * 4);
            for (int i = 0; i < maskCount; ++i)
                header.masks[i] = le32(masks, i * 4);
            masksEnd += maskCount * 4;
        } else {
            for (int i = 0; i < 4; ++i)
                header.masks[i] = le32(info, 40 + i * 4);
            if (compression == bitFields && infoSize < 56)
                header.masks[alpha] = 0;
        }
        checkMasks(header.masks, bits);
        break;
    }
    default:
        invalidPicture();
    }

    if (header.pixelOffset < masksEnd || header.pixelOffset > fileSize)
        invalidPicture();
    if (bits <= 8) {
        const qint64 wanted = coloursUsed > 0 ? std::min(coloursUsed, qint64(1) << bits) : qint64(1) << bits;
        header.palette = readPalette(file, masksEnd, header.pixelOffset, core ? 3 : 4, wanted);
    }

    if (infoSize >= 108 && le32(info, 56) == calibratedRgb)
        readCalibration(info, header);
    if (infoSize == 124 && le32(info, 56) == embeddedProfile && le32(info, 116) > 0) {
        header.profileOffset = fileHeaderSize + le32(info, 112);
        header.profileSize = le32(info, 116);
        if (header.profileSize > largestProfile || header.profileOffset + header.profileSize > fileSize)
            invalidPicture();
    }
    return header;
}

} // namespace picture
