#include "support/Pictures.h"

#include "support/DamagedPictures.h"
#include "support/GifEncoder.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QtEndian>

#include <algorithm>

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

QImage shading(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x % 256, y % 256, (x + y) / 2 % 256));
    return image;
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

QByteArray encoded(const QImage& picture, const char* format) {
    if (qstrcmp(format, "gif") == 0)
        return test::encodeGif(picture);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, format, 95);
    return bytes;
}

QByteArray withChunk(const QByteArray& png, const char* type, const QByteArray& data) {
    constexpr qsizetype afterHeader = 8 + 8 + 13 + 4;
    return png.left(afterHeader) + damaged::pngChunk(type, data) + png.mid(afterHeader);
}

QByteArray interlacedPng(const QImage& picture) {
    // Each pass takes every step-th pixel from a first column of every step-th row from a first row.
    constexpr int passes[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                  {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    QByteArray rows;
    for (const auto& [left, top, across, down] : passes) {
        for (int y = top; y < picture.height() && left < picture.width(); y += down) {
            rows += '\0'; // no filter
            for (int x = left; x < picture.width(); x += across) {
                const QRgb pixel = picture.pixel(x, y);
                rows += char(qRed(pixel));
                rows += char(qGreen(pixel));
                rows += char(qBlue(pixel));
            }
        }
    }
    using damaged::pngChunk;
    QByteArray header(13, '\0');
    qToBigEndian(quint32(picture.width()), header.data());
    qToBigEndian(quint32(picture.height()), header.data() + 4);
    header[8] = 8;  // bits a sample
    header[9] = 2;  // RGB
    header[12] = 1; // interlaced
    return QByteArray("\x89PNG\r\n\x1a\n") + pngChunk("IHDR", header) +
           pngChunk("IDAT", qCompress(rows).sliced(4)) + pngChunk("IEND", {});
}

QByteArray noise(qsizetype size) {
    QRandomGenerator random(7031);
    QByteArray bytes(size, '\0');
    for (char& byte : bytes)
        byte = char(random.bounded(256));
    return bytes;
}

QString write(const QByteArray& bytes, const QString& folder, const QString& name) {
    QFile file(QDir(folder).filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(file.fileName()));
    return file.fileName();
}

int largestDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return 256;
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            largest = std::max(
                {largest, qAbs(qRed(p) - qRed(q)), qAbs(qGreen(p) - qGreen(q)), qAbs(qBlue(p) - qBlue(q))});
        }
    }
    return largest;
}

} // namespace pictures
