#pragma once

#include "picture/DecodedPicture.h"
#include "picture/LoadBudget.h"
#include "picture/Progress.h"

#include <QIODevice>

namespace picture {

// Decodes a QOI picture, its operations walked a piece of the file at a time straight into the final
// pixels. A file whose operations stop short of the last pixel, run past it, or are not followed by the
// end marker is refused. A picture of linear colour says so as a file gamma of 1.
class QoiReader {
public:
    static DecodedPicture decode(QIODevice& file, LoadBudget::Claim& claim, Progress& progress);
};

} // namespace picture
