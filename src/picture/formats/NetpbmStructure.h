#pragma once

#include "picture/PictureIntegrity.h"

#include <QByteArrayView>

namespace picture {

// Walks a PBM, PGM or PPM file (P1 to P6): the header's size, and whether every sample it announces is
// there, in range. The toolkit's reader would take a file that breaks off for a whole one.
class NetpbmStructure {
public:
    static PictureIntegrity inspect(QByteArrayView bytes);
};

} // namespace picture
