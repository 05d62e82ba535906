#pragma once

#include "picture/DecodedPicture.h"
#include "picture/LoadBudget.h"
#include "picture/Progress.h"

#include <QIODevice>

namespace picture {

// Decodes a PNG with libpng, read from the file in pieces, row by row straight into the final pixels:
// 16-bit samples are scaled to 8 on the way unless their colours are to be converted, transparency is
// kept for the colour stage. Every error libpng finds, warnings, bad checksums and data ending early or
// running on included, refuses the file.
class PngReader {
public:
    static DecodedPicture decode(QIODevice& file, LoadBudget::Claim& claim, Progress& progress);
};

} // namespace picture
