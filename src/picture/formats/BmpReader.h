#pragma once

#include "picture/DecodedPicture.h"
#include "picture/LoadBudget.h"
#include "picture/Progress.h"

#include <QIODevice>

namespace picture {

// Decodes every layout of the BMP format: 1, 2, 4, 8, 16, 24 and 32 bits a pixel, bit fields of any width
// with or without alpha, RLE8 and RLE4, OS/2 headers, rows stored top-down or bottom-up, and an embedded
// ICC profile. The rows are read from the file in blocks straight into the final picture, so a large file
// never sits in memory whole.
class BmpReader {
public:
    // file is a regular file, open, at offset 0. Throws "Invalid picture", "Picture too large: W x H
    // pixels" or "Out of memory".
    static DecodedPicture decode(QIODevice& file, LoadBudget::Claim& claim, Progress& progress);
};

} // namespace picture
