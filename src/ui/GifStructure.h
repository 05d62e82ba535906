#pragma once

#include "ui/PictureIntegrity.h"

namespace ui {

// Walks a GIF's blocks from the header to the trailer. The toolkit's reader shows a cut-off GIF with
// its missing rows left blank.
class GifStructure {
public:
    static PictureIntegrity inspect(QByteArrayView bytes);
};

} // namespace ui
