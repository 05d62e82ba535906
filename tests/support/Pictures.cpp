#include "support/Pictures.h"

#include <QDir>

namespace pictures {

QImage coordinates(int width, int height) {
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb(x & 0xff, y & 0xff, ((x >> 8) & 0x0f) << 4 | ((y >> 8) & 0x0f));
    }
    return picture;
}

QImage plain(int width, int height, QRgb colour) {
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(colour);
    return picture;
}

QString save(const QImage& picture, const QString& folder, const QString& name) {
    const QString path = QDir(folder).filePath(name);
    picture.save(path);
    return path;
}

} // namespace pictures
