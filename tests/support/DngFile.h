#pragma once

#include <QByteArray>
#include <QList>

#include <array>

// A small uncompressed DNG, as a camera's raw file: 16-bit samples behind an RGGB colour filter array, a
// camera whose colour matrix is sRGB's (so that developed colours are the linear levels given, white
// balanced), and the tags LibRaw reads.
namespace dng {

struct Mosaic {
    int width = 0;
    int height = 0;
    // Linear red, green and blue levels, 0 to 1, for each pixel row by row; each photosite keeps its own
    // filter's level times the as-shot neutral (green's 1, the others at most 1).
    QList<std::array<double, 3>> levels;
    std::array<double, 3> asShotNeutral{1, 1, 1};
    int orientation = 1;
};

QByteArray write(const Mosaic& mosaic);
// A DNG of 64 x 48 pixels: its left half one colour, its right half grey at `white`, which sets LibRaw's
// automatic white point there.
QByteArray halfWhite(std::array<double, 3> colour, std::array<double, 3> neutral, int orientation = 1,
                     double white = 1);

} // namespace dng
