// Any bytes as a picture's embedded colour profile, through the colour stage: the first byte says whether
// the pixels are RGB or CMYK. Whatever the profile, the stage converts, or ignores what it cannot use.
#include "QuietOffscreen.h"
#include "picture/ColourStage.h"

#include <QGuiApplication>

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    quietOffscreen();
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    static const picture::ColourStage stage{QByteArray()};
    picture::DecodedPicture decoded;
    decoded.image = QImage(16, 4, QImage::Format_RGB32);
    for (int y = 0; y < decoded.image.height(); ++y)
        for (int x = 0; x < decoded.image.width(); ++x)
            decoded.image.setPixel(x, y, qRgb(x * 16, y * 64, (x + y) * 8));
    decoded.cmyk = data[0] & 1;
    decoded.colour.iccProfile = QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    stage.convert(decoded);
    if (decoded.cmyk || decoded.image.size() != QSize(16, 4))
        qFatal("the colour stage left the picture unfinished");
    return 0;
}
