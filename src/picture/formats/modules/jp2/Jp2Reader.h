#pragma once

#include "picture/DecodedPicture.h"
#include "picture/LoadBudget.h"
#include "picture/Progress.h"

#include <QIODevice>

namespace picture {

// Decodes a JPEG 2000 file (.jp2) or bare codestream (.j2k) with OpenJPEG in its strict mode, read from the
// file through OpenJPEG's stream calls, at full resolution. Grey, RGB and sYCC components of any depth, with
// or without alpha, are scaled to 8 bits; sYCC is turned into RGB here, as the format's own tools do. Every
// error and warning OpenJPEG reports refuses the file. The colour box's ICC profile is described, not
// applied.
class Jp2Reader {
public:
    static DecodedPicture decode(QIODevice& file, LoadBudget::Claim& claim, Progress& progress);
};

} // namespace picture
