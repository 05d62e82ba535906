#pragma once

#include <QByteArray>
#include <QImage>

namespace test {

// Encodes a picture of at most 256 colours as a GIF, which the toolkit can read but not write. The LZW
// stream restarts before its codes outgrow 9 bits: large, but simple and exact.
QByteArray encodeGif(const QImage& picture);

} // namespace test
