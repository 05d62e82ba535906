#pragma once

#include "picture/PictureIntegrity.h"

namespace picture {

// Walks a GIF's blocks from the header to the trailer. The toolkit's reader shows a cut-off GIF with
// its missing rows left blank.
class GifStructure {
public:
    static PictureIntegrity inspect(QByteArrayView bytes);
};

} // namespace picture
