#include "picture/colour/ColourTransform.h"

#include "picture/RowBands.h"

#include <lcms2.h>

#include <algorithm>
#include <bit>
#include <vector>

namespace picture {

namespace {

// QImage's 32-bit pixels are 0xffRRGGBB words, so their bytes run B, G, R, A on little-endian machines.
constexpr bool littleEndian = Q_BYTE_ORDER == Q_LITTLE_ENDIAN;
constexpr cmsUInt32Number rgb32 = littleEndian ? TYPE_BGRA_8 : TYPE_ARGB_8;
constexpr cmsUInt32Number grey32 =
    littleEndian ? (TYPE_GRAY_8 | EXTRA_SH(3)) : (TYPE_GRAY_8 | EXTRA_SH(3) | SWAPFIRST_SH(1));
// 64-bit pixels are four native 16-bit samples: R, G, B, A.
constexpr cmsUInt32Number rgb64 = TYPE_RGBA_16;
constexpr cmsUInt32Number grey64 = TYPE_GRAY_16 | EXTRA_SH(3);
constexpr int memoBits = 16;

// Where an ink combination is remembered in a memo of 2^bits entries: the high bits of a multiplicative
// hash.
size_t memoSlot(quint32 inks, int bits) {
    return (inks * 2654435761u) >> (32 - bits);
}

cmsUInt32Number inputFormat(ColourProfile::Space space, bool wide) {
    switch (space) {
    case ColourProfile::Space::grey:
        return wide ? grey64 : grey32;
    case ColourProfile::Space::cmyk:
        return TYPE_CMYK_8;
    case ColourProfile::Space::lab: // L*, a*, b*, then the alpha the output keeps
        return COLORSPACE_SH(PT_Lab) | CHANNELS_SH(3) | BYTES_SH(1) | EXTRA_SH(1);
    default:
        return wide ? rgb64 : rgb32;
    }
}

// No one-pixel cache: that cache is what would make sharing a transform among threads unsafe. For CMYK
// and Lab, and for 16-bit samples, kept for their precision, the table of the whole transform that Little CMS
// would otherwise compute in advance and interpolate in puts colours up to several levels away from the
// profiles' own; their transforms evaluate the profiles for every colour instead, several times slower.
cmsUInt32Number flags(ColourProfile::Space space, bool wide) {
    const bool exact = wide || space == ColourProfile::Space::cmyk || space == ColourProfile::Space::lab;
    return cmsFLAGS_NOCACHE | (exact ? cmsFLAGS_NOOPTIMIZE : 0);
}

} // namespace

std::shared_ptr<const ColourTransform> ColourTransform::create(const ColourProfile& source,
                                                               const ColourProfile& target, bool wide) {
    if (source.isNull() || target.isNull())
        return nullptr;
    const ColourProfile::Space space = source.space();
    cmsHTRANSFORM handle = cmsCreateTransform(source.handle(), inputFormat(space, wide), target.handle(),
                                              wide ? rgb64 : rgb32, INTENT_PERCEPTUAL, flags(space, wide));
    if (!handle)
        return nullptr;
    return std::shared_ptr<const ColourTransform>(
        new ColourTransform(handle, space == ColourProfile::Space::cmyk,
                            wide ? nullptr : MatrixShaperTables::create(source, target)));
}

ColourTransform::~ColourTransform() {
    cmsDeleteTransform(handle_);
}

void ColourTransform::apply(QImage& image) const {
    const int width = image.width();
    const qsizetype stride = image.bytesPerLine();
    uchar* pixels = image.bits();
    inRowBands(image.height(), qint64(width) * image.height(),
               [&](int first, int end) { applyToRows(pixels + first * stride, width, end - first, stride); });
}

void ColourTransform::applyToRows(uchar* rows, int width, int count, qsizetype stride) const {
    if (tables_) {
        for (int y = 0; y < count; ++y)
            tables_->apply(reinterpret_cast<QRgb*>(rows + y * stride), width);
        return;
    }
    if (fromCmyk_) {
        inksToRows(rows, width, count, stride);
        return;
    }
    cmsDoTransformLineStride(handle_, rows, rows, cmsUInt32Number(width), cmsUInt32Number(count),
                             cmsUInt32Number(stride), cmsUInt32Number(stride), 0, 0);
}

void ColourTransform::inksToRows(uchar* rows, int width, int count, qsizetype stride) const {
    // A photograph repeats a few hundred thousand ink combinations over millions of pixels: each is
    // evaluated once while it stays in the memo. An entry holds the inks above their opaque colour;
    // an empty one has no alpha.
    // A few rows need no memo larger than their pixels: the memo is cleared for every call.
    const int bits = std::clamp(int(std::bit_width(quint64(width) * quint64(count))), 8, memoBits);
    std::vector<quint64> memo(size_t(1) << bits, 0);
    const auto length = size_t(width);
    std::vector<quint32> missedInks(length), missedColours(length);
    std::vector<int> missedAt(length);
    for (int y = 0; y < count; ++y) {
        quint32* row = reinterpret_cast<quint32*>(rows + y * stride);
        int missed = 0;
        for (int x = 0; x < width; ++x) {
            const quint64 entry = memo[memoSlot(row[x], bits)];
            if (quint32(entry >> 32) == row[x] && (entry & 0xff000000u)) {
                row[x] = quint32(entry);
            } else {
                missedInks[size_t(missed)] = row[x];
                missedAt[size_t(missed++)] = x;
            }
        }
        cmsDoTransform(handle_, missedInks.data(), missedColours.data(), cmsUInt32Number(missed));
        for (int i = 0; i < missed; ++i) {
            // The transform does not write the fourth byte, which held K.
            const quint32 colour = missedColours[size_t(i)] | 0xff000000u;
            memo[memoSlot(missedInks[size_t(i)], bits)] = quint64(missedInks[size_t(i)]) << 32 | colour;
            row[missedAt[size_t(i)]] = colour;
        }
    }
}

} // namespace picture
