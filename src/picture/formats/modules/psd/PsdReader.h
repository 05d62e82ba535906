#pragma once

#include "picture/DecodedPicture.h"
#include "picture/LoadBudget.h"
#include "picture/Progress.h"

#include <QIODevice>

namespace picture {

// Decodes the merged picture a PSD or PSB keeps after its layers (the layers are not composed again):
// bitmap, grey, indexed, RGB and CMYK, 8 or 16 bits a sample, stored plainly or in PackBits rows, each
// row read from the file into the final pixels. The ICC profile is described, not applied; CMYK comes
// out as ink. The merged picture is transparent only where the layer count says its first extra channel
// holds its transparency.
class PsdReader {
public:
    static DecodedPicture decode(QIODevice& file, LoadBudget::Claim& claim, Progress& progress);
};

} // namespace picture
