#pragma once

#include "picture/DecodedPicture.h"

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QRgb>

#include <array>

namespace picture {

// Everything a BMP says before its pixels, read from any of its header layouts (OS/2 1.x and 2.x, Windows
// 3.x with or without mask fields, 4 and 5) and checked for sense: a header that cannot describe a picture
// throws "Invalid picture".
struct BmpHeader {
    enum class Coding { rows, runs8, runs4 };
    enum Channel { red, green, blue, alpha };

    qint64 pixelOffset = 0;
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bitCount = 0;
    Coding coding = Coding::rows;
    std::array<quint32, 4> masks{}; // 16 and 32 bits a pixel; alpha 0 when the file has none
    QList<QRgb> palette;            // 1 to 8 bits a pixel, as many entries as the file really holds
    qint64 profileOffset = 0;       // an embedded ICC profile, from the start of the file
    qint64 profileSize = 0;
    // Calibrated RGB (version 4 and 5 headers): the primaries and white, and the curve's gamma.
    std::optional<Chromaticities> primaries;
    double fileGamma = 0;

    // A BMP file: file is at offset 0; fileSize is its length.
    static BmpHeader read(QIODevice& file, qint64 fileSize);
    // A bitmap without the file header, as cursors and icons hold one, at offset 0 of a device of size
    // bytes: the palette lies right after the info header and the pixels right after the palette, and a
    // 32-bit pixel's fourth byte is its alpha.
    static BmpHeader readBitmap(QIODevice& bitmap, qint64 size);

    // Bytes in one stored row of uncompressed pixels.
    qint64 stride() const { return (qint64(width) * bitCount + 31) / 32 * 4; }
};

} // namespace picture
