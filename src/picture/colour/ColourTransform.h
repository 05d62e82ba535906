#pragma once

#include "picture/colour/ColourProfile.h"
#include "picture/colour/MatrixShaperTables.h"

#include <QImage>

#include <memory>

namespace picture {

// A Little CMS transform from one profile to another over 32-bit pixels, or 64-bit ones (wide), applied
// in place; the fourth sample, alpha or unused, passes through. One transform may serve several loads at
// once.
class ColourTransform {
public:
    // Null when Little CMS cannot link the two profiles. The source's space says how the four samples of
    // each pixel are read: B, G, R, alpha for RGB (R, G, B, alpha when wide); the grey in the first sample
    // for grey; C, M, Y, K, in 32-bit pixels only.
    static std::shared_ptr<const ColourTransform> create(const ColourProfile& source,
                                                         const ColourProfile& target, bool wide = false);

    ~ColourTransform();
    ColourTransform(const ColourTransform&) = delete;
    ColourTransform& operator=(const ColourTransform&) = delete;

    // Leaves image in the target's colour space, RGB32 from CMYK; large pictures are shared out among the
    // cores.
    void apply(QImage& image) const;

private:
    ColourTransform(void* handle, bool fromCmyk, std::unique_ptr<const MatrixShaperTables> tables)
        : handle_(handle), fromCmyk_(fromCmyk), tables_(std::move(tables)) {}
    void applyToRows(uchar* rows, int width, int count, qsizetype stride) const;
    void inksToRows(uchar* rows, int width, int count, qsizetype stride) const;

    void* handle_;
    bool fromCmyk_;
    std::unique_ptr<const MatrixShaperTables> tables_; // when both profiles allow the fast way
};

} // namespace picture
