#include "support/DamagedPictures.h"

#include "support/GifEncoder.h"

#include <QtEndian>

namespace damaged {

namespace {

struct Scan {
    qsizetype begin; // the first byte of entropy-coded data
    qsizetype end;   // the end marker
};

Scan scanOf(const QByteArray& jpeg) {
    const qsizetype header = jpeg.lastIndexOf("\xFF\xDA");
    const qsizetype begin = header + 2 + qFromBigEndian<quint16>(jpeg.constData() + header + 2);
    return {begin, jpeg.lastIndexOf("\xFF\xD9")};
}

// The GIF encoder's layout: header, screen, a table of 256 colours, one image descriptor and the LZW
// minimum code size, then the data blocks.
constexpr qsizetype gifDataStart = 13 + 3 * 256 + 10 + 1;

} // namespace

QByteArray pngWithBytesAfterZlibStream(const QByteArray& png, int count) {
    qsizetype chunk = 8;
    while (png.mid(chunk + 4, 4) != "IDAT")
        chunk += 12 + qFromBigEndian<quint32>(png.constData() + chunk);
    const quint32 length = qFromBigEndian<quint32>(png.constData() + chunk);
    const QByteArray data = png.mid(chunk + 8, length) + QByteArray(count, '\x55');
    return png.left(chunk) + pngChunk("IDAT", data) + png.mid(chunk + 12 + length);
}

QByteArray pngChunk(const char* type, const QByteArray& data) {
    QByteArray chunk = QByteArray(4, '\0') + type + data + QByteArray(4, '\0');
    qToBigEndian(quint32(data.size()), chunk.data());
    qToBigEndian(pngCrc(QByteArrayView(chunk).sliced(4, 4 + data.size())), chunk.data() + 8 + data.size());
    return chunk;
}

quint32 pngCrc(QByteArrayView bytes) {
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 1 ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return ~crc;
}

QByteArray jpegWithFlippedScanBytes(const QByteArray& jpeg, int count, double share) {
    const Scan scan = scanOf(jpeg);
    QByteArray bytes = jpeg;
    const qsizetype from = scan.begin + qsizetype(double(scan.end - scan.begin) * share);
    for (qsizetype at = from; at < from + count; ++at)
        bytes[at] = char(~bytes[at]);
    return bytes;
}

// Coded data never holds 0xFF before a byte other than 0: each RSTn found is the next of that number.
qsizetype jpegRestartMarker(const QByteArray& jpeg, int n) {
    const char marker[] = {'\xFF', char(0xD0 + n % 8)};
    qsizetype at = scanOf(jpeg).begin - 1;
    for (int round = 0; round <= n / 8; ++round)
        at = jpeg.indexOf(QByteArrayView(marker, 2), at + 1);
    return at;
}

QByteArray jpegWithZeroedScanThird(const QByteArray& jpeg) {
    const Scan scan = scanOf(jpeg);
    const qsizetype third = (scan.end - scan.begin) / 3;
    QByteArray bytes = jpeg;
    bytes.replace(scan.begin + third, third, QByteArray(third, '\0'));
    return bytes;
}

QByteArray jpegCutWithEndMarker(const QByteArray& jpeg) {
    const Scan scan = scanOf(jpeg);
    return jpeg.left((scan.begin + scan.end) / 2) + "\xFF\xD9";
}

QByteArray jpegClaiming(const QByteArray& jpeg, int width, int height) {
    QByteArray bytes = jpeg.left(scanOf(jpeg).begin);
    const qsizetype frame = bytes.indexOf("\xFF\xC0");
    qToBigEndian(quint16(height), bytes.data() + frame + 5);
    qToBigEndian(quint16(width), bytes.data() + frame + 7);
    return bytes;
}

QByteArray pngClaiming(QByteArray png, quint32 width, quint32 height) {
    qToBigEndian(width, png.data() + 16);
    qToBigEndian(height, png.data() + 20);
    qToBigEndian(pngCrc(png.mid(12, 17)), png.data() + 29);
    return png;
}

QByteArray gifWithShortLzw(const QImage& picture) {
    const QByteArray whole = test::encodeGif(picture);
    QByteArray codes;
    qsizetype at = gifDataStart;
    for (int length = quint8(whole[at]); length != 0; length = quint8(whole[at])) {
        codes += whole.mid(at + 1, length);
        at += 1 + length;
    }
    codes.truncate(codes.size() / 3);
    QByteArray bytes = whole.left(gifDataStart);
    for (qsizetype from = 0; from < codes.size(); from += 255) {
        const QByteArray block = codes.mid(from, 255);
        bytes += char(block.size()) + block;
    }
    return bytes + QByteArray("\0;", 2);
}

QByteArray plainNetpbm(const QImage& picture, bool colour) {
    QByteArray text = (colour ? "P3\n" : "P2\n") + QByteArray::number(picture.width()) + ' ' +
                      QByteArray::number(picture.height()) + "\n255\n";
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb pixel = picture.pixel(x, y);
            text += QByteArray::number(qRed(pixel));
            if (colour)
                text += ' ' + QByteArray::number(qGreen(pixel)) + ' ' + QByteArray::number(qBlue(pixel));
            text += x + 1 < picture.width() ? ' ' : '\n';
        }
    }
    return text;
}

QByteArray xbm(const QImage& picture) {
    QByteArray text = "#define t_width " + QByteArray::number(picture.width()) + "\n#define t_height " +
                      QByteArray::number(picture.height()) + "\nstatic unsigned char t_bits[] = {\n";
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); x += 8) {
            int byte = 0;
            for (int bit = 0; bit < 8 && x + bit < picture.width(); ++bit)
                byte |= (qRed(picture.pixel(x + bit, y)) < 128) << bit;
            text += "0x" + QByteArray::number(byte, 16).rightJustified(2, '0') + ",";
        }
        text += '\n';
    }
    return text + "};\n";
}

QByteArray exrWithPreviewOf(const QByteArray& exr, quint32 width, quint32 height) {
    // An attribute: its name, its type, its size and its value; the file's own attributes follow after the
    // magic number and version.
    QByteArray preview("preview\0preview\0", 16);
    char numbers[12];
    qToLittleEndian(quint32(8 + quint64(width) * height * 4), numbers);
    qToLittleEndian(width, numbers + 4);
    qToLittleEndian(height, numbers + 8);
    return exr.left(8) + preview + QByteArray(numbers, sizeof numbers) + exr.mid(8);
}

} // namespace damaged
