#pragma once

namespace picture {

// The ways a file names its colour space without a profile, which a profile can be built from.

// PNG cHRM: the CIE xy chromaticities of the white point and the three primaries.
struct Chromaticities {
    double whiteX, whiteY, redX, redY, greenX, greenY, blueX, blueY;
};

// sRGB's white and primaries.
inline constexpr Chromaticities srgbPrimaries{0.3127, 0.3290, 0.64, 0.33, 0.30, 0.60, 0.15, 0.06};

// ITU-T H.273 code points of an nclx colour box (HEIF, AVIF): the primaries and the transfer curve. The
// matrix and range concern YCbCr, which the format's library turns into RGB.
struct Cicp {
    int primaries = 2; // 2: unspecified
    int transfer = 2;
};

} // namespace picture
