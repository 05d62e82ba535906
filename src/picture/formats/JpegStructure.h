#pragma once

#include "picture/PictureIntegrity.h"

namespace picture {

// Walks a JPEG's marker segments from the start of image to the first scan, then looks for the end of
// image marker after it. libjpeg shows a cut-off JPEG without complaint, greying out what is missing.
class JpegStructure {
public:
    static PictureIntegrity inspect(QByteArrayView bytes);
};

} // namespace picture
