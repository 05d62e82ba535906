#include "picture/PictureIntegrity.h"

#include "picture/formats/BmpStructure.h"
#include "picture/formats/GifStructure.h"
#include "picture/formats/JpegStructure.h"
#include "picture/formats/PngStructure.h"

namespace picture {

PictureIntegrity PictureIntegrity::inspect(QByteArrayView bytes, const QByteArray& format) {
    if (format == "jpeg")
        return JpegStructure::inspect(bytes);
    if (format == "bmp")
        return BmpStructure::inspect(bytes);
    if (format == "gif")
        return GifStructure::inspect(bytes);
    if (format == "png")
        return PngStructure::inspect(bytes);
    // Other formats are left to the toolkit's reader, which does report their errors.
    return whole({});
}

} // namespace picture
