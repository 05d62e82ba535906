#include "picture/formats/BmpRowConverter.h"

#include "picture/PictureFailures.h"

#include <QtEndian>

#include <bit>

namespace picture {

namespace {

// A channel value of the given maximum (2^width - 1) scaled to 0-255, rounded to nearest.
quint32 scaled(quint64 value, quint64 maximum) {
    return maximum == 0 ? 0 : quint32((value * 510 + maximum) / (maximum * 2));
}

} // namespace

BmpRowConverter::BmpRowConverter(const BmpHeader& header, Alpha alpha)
    : width_(header.width), bitCount_(header.bitCount), alpha_(alpha), masks_(header.masks) {
    if (bitCount_ <= 8) {
        palette_.assign(header.palette.begin(), header.palette.end());
        palette_.resize(size_t(1) << bitCount_, 0); // 0, never an opaque colour, marks the missing entries
        return;
    }
    for (size_t i = 0; i < masks_.size(); ++i) {
        shifts_[i] = masks_[i] == 0 ? 0 : std::countr_zero(masks_[i]);
        maxima_[i] = masks_[i] >> shifts_[i];
    }
    plain32_ = bitCount_ == 32 && masks_ == std::array<quint32, 4>{0xff0000, 0x00ff00, 0x0000ff, 0};
    if (bitCount_ == 16) {
        table16_.resize(65536);
        for (quint32 value = 0; value < 65536; ++value) {
            const uchar pixel[2] = {uchar(value & 0xff), uchar(value >> 8)};
            fromMasks(pixel, &table16_[value], 1);
        }
    }
}

void BmpRowConverter::convert(const uchar* row, QRgb* out) const {
    if (bitCount_ <= 8) {
        fromPalette(row, out);
    } else if (bitCount_ == 24) {
        for (int x = 0; x < width_; ++x, row += 3)
            out[x] = 0xff000000u | quint32(row[2]) << 16 | quint32(row[1]) << 8 | row[0];
    } else if (plain32_) {
        for (int x = 0; x < width_; ++x, row += 4)
            out[x] = 0xff000000u | (qFromLittleEndian<quint32>(row) & 0xffffffu);
    } else if (bitCount_ == 16) {
        for (int x = 0; x < width_; ++x, row += 2)
            out[x] = table16_[qFromLittleEndian<quint16>(row)];
    } else {
        fromMasks(row, out, width_);
    }
}

void BmpRowConverter::fromPalette(const uchar* row, QRgb* out) const {
    const int perByte = 8 / bitCount_;
    const quint32 indexMask = (1u << bitCount_) - 1;
    bool outside = false;
    for (int x = 0; x < width_; ++x) {
        const int shift = 8 - bitCount_ * (x % perByte + 1); // leftmost pixel in the high bits
        const quint32 index = (row[x / perByte] >> shift) & indexMask;
        outside |= palette_[index] == 0;
        out[x] = palette_[index];
    }
    if (outside)
        invalidPicture();
}

void BmpRowConverter::fromMasks(const uchar* row, QRgb* out, int count) const {
    const int bytes = bitCount_ / 8;
    for (int x = 0; x < count; ++x, row += bytes) {
        const quint32 pixel = bytes == 2 ? qFromLittleEndian<quint16>(row) : qFromLittleEndian<quint32>(row);
        std::array<quint32, 4> c{};
        for (size_t i = 0; i < c.size(); ++i)
            c[i] = scaled((pixel & masks_[i]) >> shifts_[i], maxima_[i]);
        const quint32 alpha = masks_[BmpHeader::alpha] != 0 ? c[BmpHeader::alpha] : 255;
        out[x] = qRgba(int(c[0]), int(c[1]), int(c[2]), int(alpha));
    }
}

} // namespace picture
