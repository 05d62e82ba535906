#pragma once

#include "picture/PictureIntegrity.h"

#include <QByteArrayView>

namespace picture {

// Reads the size an XPM's first string declares: "<width> <height> <colours> <characters per pixel>".
// Whether the rows are all there the toolkit's reader finds out itself.
class XpmStructure {
public:
    static PictureIntegrity inspect(QByteArrayView bytes);
};

} // namespace picture
