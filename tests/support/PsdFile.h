#pragma once

#include <QByteArray>

#include <utility>
#include <vector>

namespace test {

// A PSD written field by field, for the documents ImageMagick does not write: any colour mode, depth and
// number of channels, image resources of any kind.
struct PsdFile {
    int width = 1;
    int height = 1;
    int mode = 3;  // 0 bitmap, 1 grey, 2 indexed, 3 RGB, 4 CMYK, 7 multichannel, 8 duotone, 9 Lab
    int depth = 8; // 1, 8, 16 or 32 bits a sample
    // Each channel's rows, one after another, samples big-endian as the file keeps them.
    std::vector<QByteArray> channels;
    QByteArray colourModeData;
    std::vector<std::pair<int, QByteArray>> resources; // id and data
    bool transparency = false; // the first extra channel is the merged picture's alpha
    bool packed = false;       // PackBits rows, else raw

    QByteArray bytes() const;
};

// Samples as a channel holds them: 8-bit as they are, 16-bit and 32-bit float big-endian.
QByteArray psdSamples8(const std::vector<int>& samples);
QByteArray psdSamples16(const std::vector<int>& samples);
QByteArray psdSamples32(const std::vector<float>& samples);

} // namespace test
