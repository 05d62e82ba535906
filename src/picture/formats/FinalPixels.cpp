#include "picture/formats/FinalPixels.h"

namespace picture {

QImage finalPixels(QSize size, bool wide, bool alpha, qint64 alongside, LoadBudget::Claim& claim) {
    if (!wide) {
        QImage image = claim.rgb32(size.width(), size.height(), alongside);
        if (alpha)
            image.reinterpretAsFormat(QImage::Format_ARGB32);
        return image;
    }
    // Wide samples come in pixels of eight bytes, beside the final ones of four the colour stage makes: a
    // picture they could never fit beside it is refused as too large before any of them is claimed.
    claim.budget().refuseIfTooLarge(size,
                                    claim.bytes() + alongside + qint64(size.width()) * size.height() * 8);
    return claim.pixels(size, alpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64, alongside);
}

} // namespace picture
