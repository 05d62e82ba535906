#pragma once

#include "picture/PictureIntegrity.h"

namespace picture {

// Checks that a BMP's header is sane and that the pixel rows it announces lie within the file. The
// toolkit's reader leaves missing rows as whatever memory held before.
class BmpStructure {
public:
    static PictureIntegrity inspect(QByteArrayView bytes);
};

} // namespace picture
