#pragma once

#include "picture/DecodedPicture.h"
#include "picture/LoadBudget.h"
#include "picture/Progress.h"

#include <QIODevice>

namespace picture {

// Decodes the first frame of a GIF with giflib, read from the file in pieces, row by row into the final
// pixels. The picture takes the logical screen's size, or the first frame's extent where the screen
// claims none; what the frame leaves uncovered or transparent is transparent, and so shows white. An LZW
// stream that ends early, a block that is missing, or a file without its trailer refuses the file.
class GifReader {
public:
    static DecodedPicture decode(QIODevice& file, LoadBudget::Claim& claim, Progress& progress);
};

} // namespace picture
