#include "picture/Orientation.h"

#include "picture/PictureFailures.h"

#include <QTransform>

namespace picture {

namespace {

QImage turned(const QImage& image, int degrees) {
    return image.transformed(QTransform().rotate(degrees));
}

} // namespace

void Orientation::apply(DecodedPicture& decoded) {
    QImage& image = decoded.image;
    // The EXIF values: 2 to 4 mirror, 6 and 8 turn a quarter, 5 and 7 turn a quarter and mirror.
    switch (decoded.orientation) {
    case 2:
        image.mirror(true, false);
        break;
    case 3:
        image.mirror(true, true);
        break;
    case 4:
        image.mirror(false, true);
        break;
    case 5:
        image = turned(image, 90);
        image.mirror(true, false);
        break;
    case 6:
        image = turned(image, 90);
        break;
    case 7:
        image = turned(image, 270);
        image.mirror(true, false);
        break;
    case 8:
        image = turned(image, 270);
        break;
    default:
        break;
    }
    if (image.isNull())
        outOfMemory();
    decoded.orientation = 1;
}

} // namespace picture
