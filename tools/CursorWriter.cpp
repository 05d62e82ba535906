#include "CursorWriter.h"

#include <QtEndian>

namespace {

void putU16(QByteArray& out, quint16 value) {
    const quint16 le = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&le), sizeof le);
}

void putU32(QByteArray& out, quint32 value) {
    const quint32 le = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&le), sizeof le);
}

} // namespace

QByteArray cursorFileBytes(const QImage& picture, QPoint hotSpot) {
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    const int width = image.width();
    const int height = image.height();
    const int maskStride = (width + 31) / 32 * 4;
    const quint32 dibBytes = 40 + quint32(width * height * 4 + maskStride * height);
    constexpr quint32 dibOffset = 6 + 16;

    QByteArray out;
    putU16(out, 0);
    putU16(out, 2);
    putU16(out, 1);
    out.append(char(width & 0xff));
    out.append(char(height & 0xff));
    out.append(char(0));
    out.append(char(0));
    putU16(out, quint16(hotSpot.x()));
    putU16(out, quint16(hotSpot.y()));
    putU32(out, dibBytes);
    putU32(out, dibOffset);

    // The picture's height counts the colour rows and the mask rows together.
    putU32(out, 40);
    putU32(out, quint32(width));
    putU32(out, quint32(height * 2));
    putU16(out, 1);
    putU16(out, 32);
    putU32(out, 0);
    putU32(out, dibBytes - 40);
    for (int i = 0; i < 4; ++i)
        putU32(out, 0);

    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = image.pixel(x, y);
            out.append(char(qBlue(pixel)));
            out.append(char(qGreen(pixel)));
            out.append(char(qRed(pixel)));
            out.append(char(qAlpha(pixel)));
        }
    }
    // Readers that ignore the alpha channel fall back on the mask: a set bit leaves the screen showing.
    for (int y = height - 1; y >= 0; --y) {
        QByteArray row(maskStride, '\0');
        for (int x = 0; x < width; ++x) {
            if (qAlpha(image.pixel(x, y)) < 128)
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        }
        out.append(row);
    }
    return out;
}
