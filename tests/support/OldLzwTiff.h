#pragma once

#include <QByteArray>
#include <QImage>

namespace test {

// An opaque picture as an 8-bit RGB TIFF in one strip of old-style LZW codes: bits taken from each byte's
// lowest first, as writers before TIFF 5.0 did, which no Debian tool writes any more. Every code is a
// single byte, with a Clear code often enough that the codes stay 9 bits wide.
QByteArray oldLzwTiff(const QImage& picture);

} // namespace test
