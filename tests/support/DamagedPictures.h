#pragma once

#include <QByteArray>
#include <QImage>

// Files whose outline is sound but whose compressed data is not: every marker, chunk and block is where
// it should be, and a reader that checks only those takes them for whole.
namespace damaged {

// A JPEG with count bytes inverted in its scan, `share` of the way through it.
QByteArray jpegWithFlippedScanBytes(const QByteArray& jpeg, int count, double share = 0.5);
// Where the restart marker after interval n of a JPEG's scan begins.
qsizetype jpegRestartMarker(const QByteArray& jpeg, int n);
// A JPEG whose scan has its middle third zeroed.
QByteArray jpegWithZeroedScanThird(const QByteArray& jpeg);
// A JPEG cut halfway through its scan, with its end marker put back.
QByteArray jpegCutWithEndMarker(const QByteArray& jpeg);
// A JPEG whose frame claims width x height, cut right after its first scan header.
QByteArray jpegClaiming(const QByteArray& jpeg, int width, int height);
// A PNG whose first IDAT chunk carries count bytes more after the end of its zlib stream, the chunk's
// length and CRC made right: every chunk is sound, only the compressed data is not, and a reader that
// takes libpng's warnings lightly shows the picture.
QByteArray pngWithBytesAfterZlibStream(const QByteArray& png, int count);
// A PNG whose header claims width x height, its CRC made right.
QByteArray pngClaiming(QByteArray png, quint32 width, quint32 height);
// The CRC that ends a PNG chunk, over its type and data.
quint32 pngCrc(QByteArrayView bytes);
// A whole PNG chunk: its length, type, data and CRC.
QByteArray pngChunk(const char* type, const QByteArray& data);
// A GIF from the test encoder whose LZW data stops after a third, its blocks closed and the trailer
// present.
QByteArray gifWithShortLzw(const QImage& picture);
// An OpenEXR whose first attribute is a preview of width x height RGBA bytes that the file does not hold:
// OpenEXR allocates and fills the preview's pixels while it reads the header, before any of the picture.
QByteArray exrWithPreviewOf(const QByteArray& exr, quint32 width, quint32 height);
// A plain (ASCII) PGM of the picture's red channel or PPM of its colour.
QByteArray plainNetpbm(const QImage& picture, bool colour);
// An X bitmap of the picture: a pixel is set where its red is below 128.
QByteArray xbm(const QImage& picture);

} // namespace damaged
