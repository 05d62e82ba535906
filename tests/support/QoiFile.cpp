#include "support/QoiFile.h"

#include <QtEndian>

namespace test {

QByteArray qoi(const QImage& picture) {
    QByteArray file("qoif");
    for (const int side : {picture.width(), picture.height()}) {
        char bigEndian[4];
        qToBigEndian(quint32(side), bigEndian);
        file.append(bigEndian, 4);
    }
    file += QByteArray("\x03\x00", 2); // three channels, sRGB
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb pixel = picture.pixel(x, y);
            file += '\xFE';
            file += char(qRed(pixel));
            file += char(qGreen(pixel));
            file += char(qBlue(pixel));
        }
    return file + QByteArray(7, '\0') + '\x01';
}

} // namespace test
