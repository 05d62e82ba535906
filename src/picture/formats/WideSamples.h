#pragma once

#include <QImage>

namespace picture {

// Narrows rows of 16-bit samples in memory order (red, green, blue, then alpha when there are four
// channels), each holding `bits` bits, into a Format_RGB32 picture's bytes with straight alpha in the
// fourth, rounding to the nearest 8-bit level.
void narrowTo8Bits(const uchar* rows, qsizetype stride, int channels, int bits, QImage& image);

} // namespace picture
