#pragma once

#include "picture/colour/ColourProfile.h"

#include <QRgb>

#include <array>
#include <memory>

namespace picture {

// The fast way between two matrix-and-curve RGB profiles, the kind nearly every camera and editor embeds:
// per channel, a table from the 8-bit number to its share of the target's linear light, summed; then a
// table from linear light to the target's 8-bit number. Little CMS computes every entry, so the colours
// are its own; only the walk over the pixels is done here, at a fraction of its per-pixel cost.
class MatrixShaperTables {
public:
    // Null unless both profiles are RGB matrix-and-curve profiles.
    static std::unique_ptr<const MatrixShaperTables> create(const ColourProfile& source,
                                                            const ColourProfile& target);

    // Alpha passes through.
    void apply(QRgb* pixels, int count) const;

private:
    static constexpr int linearSteps = 65536;

    MatrixShaperTables() = default;

    // shares[c][v]: the target's linear red, green and blue for source channel c at value v alone, in
    // steps of linear light; out-of-gamut shares are negative or past the last step.
    std::array<std::array<std::array<qint32, 4>, 256>, 3> shares_{};
    // encoded[c][i]: the target's 8-bit number for linear light i / (linearSteps - 1) in channel c.
    std::array<std::array<uchar, linearSteps>, 3> encoded_{};
};

} // namespace picture
