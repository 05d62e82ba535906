#pragma once

#include "picture/DecodedPicture.h"
#include "picture/LoadBudget.h"
#include "picture/Progress.h"

#include <QIODevice>

namespace picture {

// Decodes the data window of an OpenEXR file with OpenEXR's RGBA interface, a few scan lines of half floats
// at a time straight into the final picture. Scene-linear light is shown as the format's own tools show
// it: no exposure, the file's primaries (Rec. 709 when it names none) turned into sRGB's without adapting
// the white, clipped to 0..1, through the sRGB curve, premultiplied alpha laid over white. The picture
// then holds sRGB: 8-bit linear samples would band.
class ExrReader {
public:
    static DecodedPicture decode(QIODevice& file, LoadBudget::Claim& claim, Progress& progress);
};

} // namespace picture
