#pragma once

#include "picture/colour/ColourSpaceCodes.h"

#include <QByteArray>

#include <optional>

namespace picture {

// What a file says about the meaning of its colour numbers. Nothing said means sRGB.
struct ColourDescription {
    QByteArray iccProfile; // an embedded ICC profile, empty when none
    double fileGamma = 0;  // PNG gAMA as a fraction (0.45455 for 1/2.2); 0 when not said
    std::optional<Chromaticities> chromaticities; // PNG cHRM
    bool srgb = false;                            // PNG sRGB chunk: the file says it is sRGB
    std::optional<Cicp> cicp;                     // HEIF and AVIF nclx, read when no profile is embedded
    // The numbers are CIE L*a*b* (D50) in each pixel's first three bytes in memory: L* 0..255 for 0..100,
    // a* and b* offset by 128. The embedded profile applies only if it is a Lab profile.
    bool lab = false;

    // Whether sRGB, gAMA and cHRM (the embedded profile aside) mean sRGB: by name, by saying nothing, or
    // as most writers say it, a gamma of 1/2.2 over sRGB's primaries, whose curve differs from sRGB's by
    // less than the rounding of 8-bit values in all but the darkest tones.
    bool saysSrgb() const;
    // Whether samples wider than a byte are kept at 16 bits until the colour stage: where the colours are
    // not sRGB's, by the profile, the nclx box or PNG's chunks, in that order, as the colour stage reads
    // them; their conversion 8 bits would leave banded in the dark tones. sRGB ones, which most screens
    // show unconverted, take a third of the memory at 8 bits. Every reader of wide samples asks here.
    bool keepsSixteenBits() const;
};

} // namespace picture
