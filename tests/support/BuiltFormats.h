#pragma once

#include "picture/FormatModules.h"

// The format modules of the build under test, in $KESTRELLE_BUILD_DIR/formats, for loads made outside
// the main window.
picture::FormatModules& builtFormats();
