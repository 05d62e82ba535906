#pragma once

#include "picture/PictureIntegrity.h"

namespace picture {

// Walks a PNG's chunks to the end chunk. The toolkit's reader accepts a PNG cut short of its end chunk.
class PngStructure {
public:
    static PictureIntegrity inspect(QByteArrayView bytes);
};

} // namespace picture
