#pragma once

#include "desktop/Failures.h"

namespace picture {

// The failures every reader of picture bytes shares, under the names the readers use.
using desktop::invalidPicture;
using desktop::outOfMemory;
using desktop::unsupportedFormat;

} // namespace picture
