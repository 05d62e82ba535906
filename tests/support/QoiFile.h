#pragma once

#include <QByteArray>
#include <QImage>

namespace test {

// An opaque picture as a QOI file in sRGB, every pixel one QOI_OP_RGB: the format's plainest encoding,
// which no Debian tool writes.
QByteArray qoi(const QImage& picture);

} // namespace test
