#pragma once

#include "picture/DecodedPicture.h"
#include "picture/LoadBudget.h"
#include "picture/Progress.h"

#include <QIODevice>

namespace picture {

// Decodes a JPEG XL codestream or container with libjxl, its pixels handed row by row straight into the
// final picture. An animation shows its first frame laid on its canvas. The codestream's orientation is
// described, not applied (an Exif box's says nothing: the codestream's is the one that counts), and so is
// its colour: sRGB when the file says so, else the ICC profile of the decoded samples.
class JxlReader {
public:
    static DecodedPicture decode(QIODevice& file, LoadBudget::Claim& claim, Progress& progress);
};

} // namespace picture
