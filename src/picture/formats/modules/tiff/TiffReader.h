#pragma once

#include "picture/DecodedPicture.h"
#include "picture/LoadBudget.h"
#include "picture/Progress.h"

#include <QIODevice>

namespace picture {

// Decodes the first page of a TIFF with libtiff, read from the file through libtiff's own client calls.
// Grey, palette, RGB and CMYK samples of 1 to 16 bits, and floating-point samples (0 to 1, clipped, as
// they are: no curve), are read strip by strip or tile by tile straight into the final pixels; YCbCr
// in JPEG is read as RGB. Other layouts libtiff can render (subsampled YCbCr, separate planes) go through
// its RGBA renderer, also into the final pixels. Every error and warning libtiff reports refuses the file,
// but for private tags it does not know. The ICC profile, the CMYK inks and the Orientation tag are
// described, not applied.
class TiffReader {
public:
    static DecodedPicture decode(QIODevice& file, LoadBudget::Claim& claim, Progress& progress);
};

} // namespace picture
