#include "picture/PictureIntegrity.h"

#include "picture/formats/NetpbmStructure.h"
#include "picture/formats/XbmStructure.h"
#include "picture/formats/XpmStructure.h"

namespace picture {

PictureIntegrity PictureIntegrity::inspect(QByteArrayView bytes, const QByteArray& format) {
    if (format == "pbm" || format == "pgm" || format == "ppm")
        return NetpbmStructure::inspect(bytes);
    if (format == "xbm")
        return XbmStructure::inspect(bytes);
    if (format == "xpm")
        return XpmStructure::inspect(bytes);
    // Other formats are left to the toolkit's reader, which does report their errors.
    return whole({});
}

} // namespace picture
