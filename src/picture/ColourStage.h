#pragma once

#include "picture/DecodedPicture.h"

namespace picture {

// Turns decoded colour numbers into the screen's.
class ColourStage {
public:
    static void toScreen(DecodedPicture& decoded);
};

} // namespace picture
