#pragma once

#include "picture/DecodedPicture.h"
#include "picture/LoadBudget.h"
#include "picture/Progress.h"

#include <QIODevice>

namespace picture {

// Decodes a JPEG with libjpeg-turbo, read from the file in pieces and written straight into the final
// pixels. Any sign of damage libjpeg reports, warnings included, refuses the file: "Invalid picture".
// Work is bounded: a progressive file may have no more scans than any encoder makes, and the whole-image
// buffers multi-scan files need are claimed from the budget before libjpeg allocates them. A large
// picture whose restart markers begin rows of iMCUs is decoded in bands on every core (JpegBands).
class JpegReader {
public:
    static constexpr int maxScans = 100;

    static DecodedPicture decode(QIODevice& file, LoadBudget::Claim& claim, Progress& progress);
};

} // namespace picture
