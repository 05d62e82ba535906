#pragma once

#include <QByteArray>
#include <QImage>

namespace test {

// A lossless CMYK JPEG XL, which cjxl cannot make: cyan, magenta and yellow in the colour channels and
// black in an extra channel, under the CMYK profile. The picture's bytes in memory are C, M, Y and K, 0
// meaning no ink.
QByteArray writeCmykJxl(const QImage& inks, const QByteArray& cmykProfile);

} // namespace test
