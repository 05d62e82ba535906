#pragma once

#include "picture/LoadBudget.h"

#include <QImage>

namespace picture {

// Lays a picture's transparency on white, in the screen's encoding: after the colour stage, so that every
// file blends alike, whatever its numbers meant before. 16-bit samples are blended before they are rounded
// to the screen's 8 bits here, the final pixels claimed from the load.
class OverWhite {
public:
    // Leaves picture Format_RGB32; one that already is stays as it is.
    static void lay(QImage& picture, LoadBudget::Claim& claim);
};

} // namespace picture
