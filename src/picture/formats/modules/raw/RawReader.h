#pragma once

#include "picture/DecodedPicture.h"
#include "picture/LoadBudget.h"
#include "picture/Progress.h"

#include <QIODevice>

namespace picture {

// Develops a camera's RAW file (DNG, CR2, CR3, NEF, ARW, RAF, ORF, RW2 and the others LibRaw knows) the way
// LibRaw's own tools do by default: the whole sensor picture at its natural size, not the preview inside,
// with the camera's white balance, AHD demosaicking, sRGB primaries and LibRaw's default brightness (its
// automatic white point at the brightest 1 %, BT.709 curve), in 8 bits. The camera's turn is described as
// the EXIF orientation, not applied. Data errors and a file cut short are damage; a camera LibRaw does not
// know is an unsupported format.
class RawReader {
public:
    static DecodedPicture decode(QIODevice& file, LoadBudget::Claim& claim, Progress& progress);
};

} // namespace picture
