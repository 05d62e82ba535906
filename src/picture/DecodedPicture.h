#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

namespace picture {

// PNG cHRM: the CIE xy chromaticities of the white point and the three primaries.
struct Chromaticities {
    double whiteX, whiteY, redX, redY, greenX, greenY, blueX, blueY;
};

// What a file says about the meaning of its colour numbers. Nothing said means sRGB.
struct ColourDescription {
    QByteArray iccProfile; // an embedded ICC profile, empty when none
    double fileGamma = 0;  // PNG gAMA as a fraction (0.45455 for 1/2.2); 0 when not said
    std::optional<Chromaticities> chromaticities; // PNG cHRM
    bool srgb = false;                            // PNG sRGB chunk: the file says it is sRGB
};

// One picture as a decoder leaves it, before colour management and orientation.
struct DecodedPicture {
    // Format_RGB32; every pixel comes from the file or from a stated rule (white under transparency and
    // for skipped pixels). When cmyk is set, each pixel's four bytes in memory order are C, M, Y, K with
    // 0 meaning no ink (Adobe's inverted storage already undone).
    QImage image;
    bool cmyk = false;
    // Greyscale sources keep 8-bit grey here too (R = G = B); a grey ICC profile then applies.
    ColourDescription colour;
    int orientation = 1; // EXIF orientation, 1 to 8; 1 when not said
};

} // namespace picture
