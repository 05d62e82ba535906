#pragma once

#include <QImage>

namespace picture {

// Widens rows of 16-bit samples in memory order (red, green, blue, then alpha when there are four
// channels), each holding `bits` bits, to the full 16 bits of a Format_RGBX64 or Format_RGBA64 picture,
// rounding to the nearest level.
void widenTo16Bits(const uchar* rows, qsizetype stride, int channels, int bits, QImage& image);
// Narrows the same rows to the bytes of a Format_RGB32 or Format_ARGB32 picture, rounding to the nearest
// level, for samples the colour stage takes at 8 bits.
void narrowTo8Bits(const uchar* rows, qsizetype stride, int channels, int bits, QImage& image);

} // namespace picture
