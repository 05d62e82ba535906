#pragma once

#include "picture/DecodedPicture.h"
#include "picture/LoadBudget.h"
#include "picture/Progress.h"

#include <QIODevice>

namespace picture {

// Decodes a TGA picture: colour-mapped, true colour or grey, stored plainly or in run-length packets
// (which may run on from one row to the next, but not past the picture), a piece of the file at a time
// straight into the final pixels. The rows and columns go where the header's origin puts them. Alpha is
// read where the 2.0 extension area's attributes type says it is there, or, without the area, where the
// descriptor gives it bits.
class TgaReader {
public:
    static DecodedPicture decode(QIODevice& file, LoadBudget::Claim& claim, Progress& progress);
};

} // namespace picture
