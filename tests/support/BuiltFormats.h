#pragma once

#include "picture/FormatModules.h"
#include "picture/SandboxedFormats.h"

// The format modules of the build under test, in $KESTRELLE_BUILD_DIR/formats, loaded into the test.
picture::FormatModules& builtFormats();
// The same modules as the program reads them: each picture in the build's decoder helper, shut in.
picture::SandboxedFormats& sandboxedFormats();

// The picture one reader leaves of the bytes, before the loader's stages, over a budget of 64 MB.
picture::DecodedPicture decodedBy(picture::Reader reader, const QByteArray& bytes);
