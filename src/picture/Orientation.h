#pragma once

#include "picture/DecodedPicture.h"

namespace picture {

// Turns a picture upright by its EXIF orientation, so that its natural size is the size it is seen at.
class Orientation {
public:
    // Leaves decoded.orientation 1. Throws "Out of memory" when the turned copy cannot be made.
    static void apply(DecodedPicture& decoded);
};

} // namespace picture
