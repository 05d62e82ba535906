#include "picture/formats/BmpHeader.h"

#include "picture/PictureFailures.h"
#include "picture/formats/ByteCursor.h"
#include "picture/formats/WholeFile.h"

#include <bit>
#include <limits>
#include <optional>

namespace picture {

namespace {

// Where each header field lies. The file header's fields count from the start of the file; the info
// header's from its own start, where a cursor's or icon's bitmap begins.
namespace field {
enum Offset : qint64 {
    // The file header
    fileSignature = 0,
    filePixelOffset = 10,
    fileHeaderSize = 14,
    // Every info header
    infoSize = 0,
    // OS/2 1.x: 16-bit sizes
    coreWidth = 4,
    coreHeight = 6,
    coreBitCount = 10,
    coreHeaderSize = 12,
    // Windows 3.x and OS/2 2.x: signed 32-bit sizes
    width = 4,
    height = 8,
    bitCount = 14,
    compression = 16,
    coloursUsed = 32,
    infoHeaderSize = 40,
    // Version 2 and 3: the channel masks
    masks = 40,
    // Version 4: the colour space, its primaries' CIE XYZ and each channel's gamma
    colourSpaceType = 56,
    endpoints = 60,
    gammaRed = 96,
    v4HeaderSize = 108,
    // Version 5: the embedded profile
    profileData = 112,
    profileSize = 116,
    v5HeaderSize = 124,
};
} // namespace field

constexpr quint32 embeddedProfile = 0x4d424544; // 'MBED'
constexpr quint32 calibratedRgb = 0;
constexpr qint64 largestProfile = 64 * 1024 * 1024;

enum Compression : quint32 { rgb = 0, rle8 = 1, rle4 = 2, bitFields = 3, alphaBitFields = 6 };

// Windows headers are 40 bytes, 52 or 56 with mask fields, 108 or 124; every other size from 16 to 64 is
// one of OS/2 2.x's, which may stop after any field.
bool isWindowsInfoSize(quint32 size) {
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

bool isOs2InfoSize(quint32 size) {
    return size >= 16 && size <= 64 && !isWindowsInfoSize(size);
}

// The info header being read: its bytes, padded with zeros to the longest layout so that absent fields
// read as 0, and where it lies in the device.
struct Info {
    QByteArray bytes;
    qint64 start = 0;
    quint32 size = 0;
    bool core = false;
    bool os2 = false;
    bool alphaIn32 = false; // a 32-bit pixel's fourth byte is alpha, as in cursors and icons
};

Info readInfo(QIODevice& device, qint64 start, bool alphaIn32) {
    Info info;
    info.start = start;
    info.alphaIn32 = alphaIn32;
    info.bytes = readExactly(device, 4);
    info.size = ByteCursor(info.bytes).at(field::infoSize).le32();
    info.core = info.size == field::coreHeaderSize;
    info.os2 = info.core || isOs2InfoSize(info.size);
    if (!info.os2 && !isWindowsInfoSize(info.size))
        invalidPicture();
    info.bytes += readExactly(device, info.size - 4);
    info.bytes.resize(field::v5HeaderSize, '\0');
    return info;
}

// OS/2 1.x gives 16-bit sizes; every later layout signed 32-bit ones, a negative height for rows stored
// top-down.
void readSize(const Info& info, BmpHeader& header) {
    ByteCursor in(info.bytes);
    const qint64 width = info.core ? in.at(field::coreWidth).le16() : in.at(field::width).le32Signed();
    const qint64 height = info.core ? in.at(field::coreHeight).le16() : in.at(field::height).le32Signed();
    header.bitCount = info.core ? in.at(field::coreBitCount).le16() : in.at(field::bitCount).le16();
    header.topDown = height < 0;
    if (width <= 0 || height == 0 || qAbs(height) > std::numeric_limits<int>::max())
        invalidPicture();
    header.width = int(width);
    header.height = int(qAbs(height));
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

// Version 2 and 3 headers hold the masks; a 40-byte header with bit fields has them right after it.
// Returns where they end.
qint64 readMasks(QIODevice& device, const Info& info, quint32 compression, BmpHeader& header) {
    qint64 end = info.start + info.size;
    ByteCursor in = ByteCursor(info.bytes).at(field::masks);
    int count = int(header.masks.size());
    QByteArray following;
    if (info.size == field::infoHeaderSize) {
        count = compression == alphaBitFields ? 4 : 3;
        following = readExactly(device, count * 4);
        in = ByteCursor(following);
        end += count * 4;
    }
    for (int i = 0; i < count; ++i)
        header.masks[i] = in.le32();
    checkMasks(header.masks, header.bitCount);
    return end;
}

// How the pixels are stored; returns where the masks, if any, end.
qint64 readCoding(QIODevice& device, const Info& info, BmpHeader& header) {
    const quint32 compression = ByteCursor(info.bytes).at(field::compression).le32();
    const int bits = header.bitCount;
    switch (compression) {
    case rgb:
        if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
            invalidPicture();
        if (bits == 16)
            header.masks = {0x7c00, 0x03e0, 0x001f, 0};
        else if (bits == 32)
            header.masks = {0xff0000, 0x00ff00, 0x0000ff, info.alphaIn32 ? 0xff000000u : 0};
        break;
    case rle8:
    case rle4:
        if (header.topDown || bits != (compression == rle8 ? 8 : 4))
            invalidPicture();
        header.coding = compression == rle8 ? BmpHeader::Coding::runs8 : BmpHeader::Coding::runs4;
        break;
    case bitFields:
    case alphaBitFields:
        // OS/2 2.x uses these numbers for Huffman and 24-bit run-length coding, which nothing writes today.
        if (info.os2 || (bits != 16 && bits != 32))
            invalidPicture();
        return readMasks(device, info, compression, header);
    default:
        invalidPicture();
    }
    return info.start + info.size;
}

// The palette of 1 to 8 bits a pixel: what the header asks for, or as much of it as lies before end.
// Returns where it ends.
qint64 readPalette(QIODevice& device, const Info& info, qint64 offset, qint64 end, BmpHeader& header) {
    const qint64 full = qint64(1) << header.bitCount;
    const qint64 coloursUsed = ByteCursor(info.bytes).at(field::coloursUsed).le32();
    const qint64 entrySize = info.core ? 3 : 4;
    const qint64 count = std::min(coloursUsed > 0 ? std::min(coloursUsed, full) : full,
                                  std::max<qint64>(0, end - offset) / entrySize);
    if (count == 0 || !device.seek(offset))
        invalidPicture();
    const QByteArray entries = readExactly(device, count * entrySize);
    ByteCursor in(entries);
    for (qint64 i = 0; i < count; ++i) {
        const QByteArrayView entry = in.at(i * entrySize).bytes(3);
        header.palette.append(qRgb(uchar(entry[2]), uchar(entry[1]), uchar(entry[0])));
    }
    return offset + count * entrySize;
}

// Version 4: calibrated RGB gives the CIE XYZ of the three primaries at full strength, as 2.30 fixed point,
// and each channel's gamma as 16.16; the white is the three together. All zero, as many writers leave
// them, says nothing.
void readColourSpace(const Info& info, BmpHeader& header) {
    ByteCursor in(info.bytes);
    if (info.size < field::v4HeaderSize || in.at(field::colourSpaceType).le32() != calibratedRgb)
        return;
    std::array<double, 9> xyz{};
    in.seek(field::endpoints);
    for (double& value : xyz)
        value = in.le32() / double(1 << 30);
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
    const double gamma = in.at(field::gammaRed).le32() / 65536.0;
    header.fileGamma = gamma > 0 ? 1 / gamma : 0;
}

// Version 5: an embedded profile, placed from the start of the info header.
void readProfile(const Info& info, qint64 end, BmpHeader& header) {
    ByteCursor in(info.bytes);
    if (info.size != field::v5HeaderSize || in.at(field::colourSpaceType).le32() != embeddedProfile)
        return;
    header.profileSize = in.at(field::profileSize).le32();
    if (header.profileSize == 0)
        return;
    header.profileOffset = info.start + in.at(field::profileData).le32();
    if (header.profileSize > largestProfile || header.profileOffset + header.profileSize > end)
        invalidPicture();
}

// Where the pixels start, and the palette before them. A file says where; a bitmap's pixels follow its
// palette, which must then be whole and as long as the header says.
void placePixels(QIODevice& device, const Info& info, qint64 masksEnd, qint64 end,
                 std::optional<qint64> pixelOffset, BmpHeader& header) {
    const bool paletted = header.bitCount <= 8;
    if (pixelOffset) {
        if (*pixelOffset < masksEnd || *pixelOffset > end)
            invalidPicture();
        header.pixelOffset = *pixelOffset;
        if (paletted)
            readPalette(device, info, masksEnd, header.pixelOffset, header);
    } else if (paletted) {
        const qint64 coloursUsed = ByteCursor(info.bytes).at(field::coloursUsed).le32();
        header.pixelOffset = readPalette(device, info, masksEnd, end, header);
        if (header.palette.size() < (coloursUsed > 0 ? coloursUsed : qint64(1) << header.bitCount))
            invalidPicture();
    } else {
        header.pixelOffset = masksEnd;
    }
}

// Every step after the file header; pixelOffset is the file header's, or nothing for a bitmap.
BmpHeader readHeader(QIODevice& device, qint64 infoStart, qint64 end, std::optional<qint64> pixelOffset) {
    const Info info = readInfo(device, infoStart, !pixelOffset);
    BmpHeader header;
    readSize(info, header);
    const qint64 masksEnd = readCoding(device, info, header);
    placePixels(device, info, masksEnd, end, pixelOffset, header);
    readColourSpace(info, header);
    readProfile(info, end, header);
    return header;
}

} // namespace

BmpHeader BmpHeader::read(QIODevice& file, qint64 fileSize) {
    const QByteArray start = readExactly(file, field::fileHeaderSize);
    ByteCursor in(start);
    if (in.at(field::fileSignature).bytes(2) != "BM")
        invalidPicture();
    return readHeader(file, field::fileHeaderSize, fileSize, in.at(field::filePixelOffset).le32());
}

BmpHeader BmpHeader::readBitmap(QIODevice& bitmap, qint64 size) {
    return readHeader(bitmap, 0, size, std::nullopt);
}

} // namespace picture
