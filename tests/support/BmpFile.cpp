#include "support/BmpFile.h"

#include <QtEndian>

namespace test {

namespace {

void put16(QByteArray& bytes, qsizetype at, quint32 value) {
    qToLittleEndian<quint16>(quint16(value), bytes.data() + at);
}

void put32(QByteArray& bytes, qsizetype at, quint32 value) {
    qToLittleEndian<quint32>(value, bytes.data() + at);
}

} // namespace

QByteArray BmpFile::bytes() const {
    const bool core = infoSize == 12;
    const bool masksAfterHeader = infoSize == 40 && (compression == 3 || compression == 6);
    const int maskBytes = masksAfterHeader ? (compression == 6 ? 16 : 12) : 0;
    const int entrySize = core ? 3 : 4;
    const qint64 paletteStart = 14 + infoSize + maskBytes;
    const qint64 start = pixelOffset >= 0 ? pixelOffset : paletteStart + palette.size() * entrySize;

    QByteArray file(start, '\0');
    file[0] = 'B';
    file[1] = 'M';
    put32(file, 10, quint32(start));
    put32(file, 14, quint32(infoSize));
    if (core) {
        put16(file, 18, quint32(width));
        put16(file, 20, quint32(height));
        put16(file, 22, 1);
        put16(file, 24, quint32(bitCount));
    } else {
        put32(file, 18, quint32(width));
        put32(file, 22, quint32(height));
        put16(file, 26, 1);
        put16(file, 28, quint32(bitCount));
        if (infoSize >= 20)
            put32(file, 30, compression);
        if (infoSize >= 24)
            put32(file, 34, quint32(pixels.size()));
        if (infoSize >= 36)
            put32(file, 46, quint32(palette.size()));
        for (int i = 0; i < 4; ++i) {
            if (masksAfterHeader && i * 4 < maskBytes)
                put32(file, 14 + infoSize + i * 4, masks[i]);
            else if (!masksAfterHeader && !core && 44 + i * 4 <= infoSize)
                put32(file, 14 + 40 + i * 4, masks[i]);
        }
    }
    for (qsizetype i = 0; i < palette.size() && paletteStart + (i + 1) * entrySize <= start; ++i) {
        const qsizetype at = paletteStart + i * entrySize;
        file[at] = char(qBlue(palette[i]));
        file[at + 1] = char(qGreen(palette[i]));
        file[at + 2] = char(qRed(palette[i]));
    }
    file += pixels;
    if (!profile.isEmpty() && infoSize == 124) {
        put32(file, 14 + 56, 0x4d424544); // 'MBED'
        put32(file, 14 + 112, quint32(file.size() - 14));
        put32(file, 14 + 116, quint32(profile.size()));
        file += profile;
    }
    put32(file, 2, quint32(file.size()));
    return file;
}

QByteArray cursorFile(const QList<CursorEntry>& entries, bool icon) {
    constexpr qsizetype directoryEntry = 16;
    QByteArray out(6 + directoryEntry * entries.size(), '\0');
    put16(out, 2, icon ? 1 : 2);
    put16(out, 4, quint32(entries.size()));
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const CursorEntry& entry = entries[i];
        const qsizetype at = 6 + i * directoryEntry;
        out[at] = char(entry.width);
        out[at + 1] = char(entry.height);
        put16(out, at + 4, quint32(entry.hotSpot.x()));
        put16(out, at + 6, quint32(entry.hotSpot.y()));
        put32(out, at + 8, quint32(entry.image.size()));
        put32(out, at + 12, quint32(out.size()));
        out += entry.image;
    }
    return out;
}

QByteArray packRows(const QList<QList<quint32>>& rows, int bitCount) {
    QByteArray bytes;
    for (const QList<quint32>& row : rows) {
        QByteArray packed((qsizetype(row.size()) * bitCount + 31) / 32 * 4, '\0');
        for (qsizetype x = 0; x < row.size(); ++x) {
            if (bitCount >= 8) {
                for (int b = 0; b < bitCount / 8; ++b)
                    packed[x * bitCount / 8 + b] = char(row[x] >> (8 * b));
            } else {
                const qint64 bit = x * bitCount;
                packed[bit / 8] = char(packed[bit / 8] | row[x] << (8 - bitCount - bit % 8));
            }
        }
        bytes += packed;
    }
    return bytes;
}

} // namespace test
