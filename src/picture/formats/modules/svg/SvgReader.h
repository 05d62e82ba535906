#pragma once

#include "picture/DecodedPicture.h"
#include "picture/LoadBudget.h"
#include "picture/Progress.h"

#include <QIODevice>

namespace picture {

// Draws an SVG document once with librsvg, at its intrinsic size (see SvgDocument), on transparency: the
// picture is handed over with straight alpha, which the loader lays on white after the colour stage. The
// document reads no other file. A document librsvg cannot draw is an invalid picture, and so is a file over
// 64 MB, more text than any drawing needs.
class SvgReader {
public:
    static DecodedPicture decode(QIODevice& file, LoadBudget::Claim& claim, Progress& progress);
};

} // namespace picture
