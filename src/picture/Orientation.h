#pragma once

#include "picture/DecodedPicture.h"

namespace picture {

// Turns a decoded picture the way its file says it was taken.
class Orientation {
public:
    static void apply(DecodedPicture& decoded);
};

} // namespace picture
