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

QByteArray qoiOfEveryOperation(char colourSpace) {
    const QByteArray operations("\xFE\x10\x20\x30"     // 16, 32, 48
                                "\x72"                 // 17, 30, 48: red + 1, green - 2
                                "\xAA\xA3"             // 29, 40, 53: green + 10, red + 12, blue + 5
                                "\xFF\x50\x60\x70\x00" // transparent
                                "\xC1"                 // twice more
                                "\x15"                 // the first colour, from where it hashed
                                "\x6A",                // the same again: no difference
                                15);
    return QByteArray("qoif\0\0\0\x08\0\0\0\x01\x04", 13) + colourSpace + operations + QByteArray(7, '\0') +
           '\x01';
}

} // namespace test
