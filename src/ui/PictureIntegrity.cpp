#include "ui/PictureIntegrity.h"

#include "ui/BmpStructure.h"
#include "ui/GifStructure.h"
#include "ui/JpegStructure.h"
#include "ui/PngStructure.h"

namespace ui {

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

} // namespace ui
