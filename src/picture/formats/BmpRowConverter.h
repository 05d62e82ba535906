#pragma once

#include "picture/formats/BmpHeader.h"

#include <vector>

namespace picture {

// Turns one stored row of uncompressed BMP pixels into 32-bit RGB, with straight alpha where the file has
// an alpha channel. Every channel is scaled from its own width to the full 0-255 range.
class BmpRowConverter {
public:
    // Kept: straight alpha in 32-bit ARGB, for a pointer, which is drawn over whatever lies beneath it.
    enum class Alpha { overWhite, kept };

    explicit BmpRowConverter(const BmpHeader& header, Alpha alpha = Alpha::overWhite);

    // Throws "Invalid picture" for a palette index past the file's palette.
    void convert(const uchar* row, QRgb* out) const;
    // Whether the pixels carry an alpha channel, and so are ARGB32 rather than RGB32.
    bool hasAlpha() const { return (bitCount_ == 16 || bitCount_ == 32) && masks_[BmpHeader::alpha] != 0; }

private:
    void fromPalette(const uchar* row, QRgb* out) const;
    void fromMasks(const uchar* row, QRgb* out, int count) const;

    int width_;
    int bitCount_;
    Alpha alpha_;
    std::vector<QRgb> palette_;
    bool plain32_ = false;      // 8 bits for each of red, green, blue and no alpha: a straight copy
    std::vector<QRgb> table16_; // every 16-bit pixel value, converted once
    std::array<quint32, 4> masks_{};
    std::array<int, 4> shifts_{};
    std::array<quint64, 4> maxima_{};
};

} // namespace picture
