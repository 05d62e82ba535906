#include "support/Pictures.h"

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

quint32 crc32(QByteArrayView bytes) {
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 1 ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return ~crc;
}

QByteArray withChunk(const QByteArray& png, const char* type, const QByteArray& data) {
    QByteArray chunk(4, '\0');
    qToBigEndian(quint32(data.size()), chunk.data());
    const QByteArray body = QByteArray(type) + data;
    QByteArray crc(4, '\0');
    qToBigEndian(crc32(body), crc.data());
    constexpr qsizetype afterHeader = 8 + 8 + 13 + 4;
    return png.left(afterHeader) + chunk + body + crc + png.mid(afterHeader);
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
