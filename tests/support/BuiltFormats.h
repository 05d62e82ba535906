#pragma once

#include "picture/FormatModules.h"

// The format modules of the build under test, in $KESTRELLE_BUILD_DIR/formats, for loads made outside
// the main window.
picture::FormatModules& builtFormats();

// The picture one reader leaves of the bytes, before the loader's stages, over a budget of 64 MB.
picture::DecodedPicture decodedBy(picture::Reader reader, const QByteArray& bytes);
