#pragma once

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QRgb>

#include <array>

namespace test {

// The parts of a BMP file, laid out by bytes(): any header size, bit count, compression, masks, palette
// and pixel bytes, so that a test can make every layout of the format, and lies about it too.
struct BmpFile {
    int infoSize = 40; // 12 for OS/2 1.x, 16 to 64 for OS/2 2.x, 40, 52, 56, 108 or 124
    int width = 0;
    int height = 0; // negative for rows stored top-down
    int bitCount = 24;
    quint32 compression = 0;        // 1 RLE8, 2 RLE4, 3 bit fields, 6 bit fields with alpha
    std::array<quint32, 4> masks{}; // red, green, blue, alpha
    QList<QRgb> palette = {};
    QByteArray pixels = {};  // rows as stored, or the run-length codes
    QByteArray profile = {}; // embedded after the pixels of a 124-byte header
    qint64 pixelOffset = -1; // where the pixels start; -1 for right after the palette

    QByteArray bytes() const;
};

// One picture of a cursor file: its listed size (0 stands for 256), its hot spot and its bytes, a bitmap
// without its file header or a PNG.
struct CursorEntry {
    int width;
    int height;
    QPoint hotSpot;
    QByteArray image;
};

// A cursor file holding the entries in order, each listed with its true length and offset. An icon file
// has the same layout, its hot spot's fields holding the planes and the bits a pixel instead.
QByteArray cursorFile(const QList<CursorEntry>& entries, bool icon = false);

// Packs rows of pixel values of bitCount bits, left to right, each row padded to four bytes.
QByteArray packRows(const QList<QList<quint32>>& rows, int bitCount);

} // namespace test
