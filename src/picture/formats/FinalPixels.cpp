#include "picture/formats/FinalPixels.h"

#include "picture/PictureFailures.h"

namespace picture {

QImage finalPixels(QSize size, bool wide, bool alpha, qint64 alongside, LoadBudget::Claim& claim) {
    if (!wide) {
        QImage image = claim.rgb32(size.width(), size.height(), alongside);
        if (alpha)
            image.reinterpretAsFormat(QImage::Format_ARGB32);
        return image;
    }
    claim.grow(qint64(size.width()) * size.height() * 8 + alongside);
    QImage image(size, alpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64);
    if (image.isNull())
        outOfMemory();
    return image;
}

} // namespace picture
