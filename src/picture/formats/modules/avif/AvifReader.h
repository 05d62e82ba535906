#pragma once

#include "picture/DecodedPicture.h"
#include "picture/LoadBudget.h"
#include "picture/Progress.h"

#include <QIODevice>

namespace picture {

// Decodes an AVIF with libavif in its strict mode: the primary picture, or a sequence's first frame. The
// clean aperture is cut here; rotation and mirroring are handed over as the EXIF orientation that turns the
// same way, and any EXIF block in the file is not read. Its ICC profile or nclx box is described, not
// applied.
class AvifReader {
public:
    static DecodedPicture decode(QIODevice& file, LoadBudget::Claim& claim, Progress& progress);
};

} // namespace picture
