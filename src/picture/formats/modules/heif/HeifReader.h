#pragma once

#include "picture/DecodedPicture.h"
#include "picture/LoadBudget.h"
#include "picture/Progress.h"

#include <QIODevice>

namespace picture {

// Decodes the primary picture of a HEIF (HEIC) file with libheif, its grid of tiles assembled and its
// clean aperture, rotation and mirroring applied by libheif as the container says: the EXIF orientation
// such files also carry says the same turn again, and is not read. Alpha is the primary picture's own;
// depth and other auxiliary pictures are left. Its ICC profile or nclx box is described, not applied.
class HeifReader {
public:
    static DecodedPicture decode(QIODevice& file, LoadBudget::Claim& claim, Progress& progress);
};

} // namespace picture
