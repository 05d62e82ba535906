#pragma once

#include "picture/ColourDescription.h"

#include <QImage>

namespace picture {

// One picture as a decoder leaves it, before colour management, transparency and orientation.
struct DecodedPicture {
    // Format_RGB32, or Format_ARGB32 with straight (not premultiplied) alpha for a picture with
    // transparency; samples wider than a byte come as Format_RGBX64 or, with straight alpha,
    // Format_RGBA64. Every pixel comes from the file or from a stated rule (white for skipped pixels);
    // transparency is laid on white only after the colours are converted. When cmyk is set, the image is
    // Format_RGB32 and each pixel's four bytes in memory order are C, M, Y, K with 0 meaning no ink
    // (Adobe's inverted storage already undone).
    QImage image;
    bool cmyk = false;
    // Greyscale sources come as colour too (R = G = B); a grey ICC profile then applies.
    ColourDescription colour;
    int orientation = 1; // EXIF orientation, 1 to 8; 1 when not said
};

} // namespace picture
