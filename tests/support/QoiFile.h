#pragma once

#include <QByteArray>
#include <QImage>

namespace test {

// An opaque picture as a QOI file in sRGB, every pixel one QOI_OP_RGB: the format's plainest encoding,
// which no Debian tool writes.
QByteArray qoi(const QImage& picture);
// A QOI of 8 x 1 pixels written by hand, one operation of each kind, with its colour space byte.
QByteArray qoiOfEveryOperation(char colourSpace);

} // namespace test
