#include "support/OldLzwTiff.h"

#include "support/PatchedBytes.h"

namespace test {

namespace {

constexpr quint32 clearCode = 256;
constexpr quint32 endCode = 257;

// 9-bit codes, lowest bits first; after a Clear code the table reaches 512 entries, and wider codes, only
// after 254 more.
QByteArray oldLzw(const QByteArray& samples) {
    QByteArray codes;
    quint32 pending = 0;
    int bits = 0;
    const auto put = [&](quint32 code) {
        pending |= code << bits;
        for (bits += 9; bits >= 8; bits -= 8, pending >>= 8)
            codes += char(pending & 0xFF);
    };
    for (qsizetype i = 0; i < samples.size(); ++i) {
        if (i % 200 == 0)
            put(clearCode);
        put(uchar(samples[i]));
    }
    put(endCode);
    if (bits > 0)
        codes += char(pending & 0xFF);
    return codes;
}

// A directory entry of one value held in the entry itself.
QByteArray entry(quint16 tag, quint16 type, quint32 value) {
    QByteArray bytes = littleEndian<quint16>({tag, type}) + littleEndian<quint32>({1});
    return bytes + (type == 3 ? littleEndian<quint16>({quint16(value), 0}) : littleEndian<quint32>({value}));
}

} // namespace

QByteArray oldLzwTiff(const QImage& picture) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    QByteArray samples;
    for (int y = 0; y < rgb.height(); ++y)
        samples.append(reinterpret_cast<const char*>(rgb.constScanLine(y)), rgb.width() * 3);
    const QByteArray strip = oldLzw(samples);
    constexpr quint16 shortType = 3, longType = 4;
    constexpr quint32 entries = 10;
    constexpr quint32 bitsAt = 8 + 2 + entries * 12 + 4;
    constexpr quint32 stripAt = bitsAt + 6;
    QByteArray tiff = QByteArray("II*\0", 4) + littleEndian<quint32>({8}) + littleEndian<quint16>({entries});
    tiff += entry(256, longType, quint32(rgb.width()));
    tiff += entry(257, longType, quint32(rgb.height()));
    tiff += littleEndian<quint16>({258, shortType}) + littleEndian<quint32>({3, bitsAt}); // BitsPerSample
    tiff += entry(259, shortType, 5);                                                     // LZW
    tiff += entry(262, shortType, 2);                                                     // RGB
    tiff += entry(273, longType, stripAt);
    tiff += entry(277, shortType, 3);
    tiff += entry(278, longType, quint32(rgb.height()));
    tiff += entry(279, longType, quint32(strip.size()));
    tiff += entry(284, shortType, 1); // samples of a pixel together
    tiff += littleEndian<quint32>({0}) + littleEndian<quint16>({8, 8, 8});
    return tiff + strip;
}

} // namespace test
