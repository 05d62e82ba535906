#pragma once

#include "picture/DecodedPicture.h"
#include "picture/LoadBudget.h"
#include "picture/Progress.h"

#include <QIODevice>

namespace picture {

// Decodes a WebP with libwebp, lossy or lossless, with or without alpha, straight into the final pixels.
// An animation shows its first frame on its canvas, which is transparent where the frame leaves it. The
// ICC profile and the EXIF orientation are described, not applied. A container that does not hold
// together, or a bitstream the decoder cannot finish, refuses the file.
class WebpReader {
public:
    static DecodedPicture decode(QIODevice& file, LoadBudget::Claim& claim, Progress& progress);
};

} // namespace picture
