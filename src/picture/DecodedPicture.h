#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

namespace picture {

// PNG cHRM: the CIE xy chromaticities of the white point and the three primaries.
struct Chromaticities {
    double whiteX, whiteY, redX, redY, greenX, greenY, blueX, blueY;
};

// ITU-T H.273 code points of an nclx colour box (HEIF, AVIF): the primaries and the transfer curve. The
// matrix and range concern YCbCr, which the format's library turns into RGB.
struct Cicp {
    int primaries = 2; // 2: unspecified
    int transfer = 2;
};

// What a file says about the meaning of its colour numbers. Nothing said means sRGB.
struct ColourDescription {
    QByteArray iccProfile; // an embedded ICC profile, empty when none
    double fileGamma = 0;  // PNG gAMA as a fraction (0.45455 for 1/2.2); 0 when not said
    std::optional<Chromaticities> chromaticities; // PNG cHRM
    bool srgb = false;                            // PNG sRGB chunk: the file says it is sRGB
    std::optional<Cicp> cicp;                     // HEIF and AVIF nclx, read when no profile is embedded
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
