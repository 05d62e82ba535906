#include "support/DngFile.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <vector>

namespace dng {

namespace {

enum Type : quint16 { Byte = 1, Ascii = 2, Short = 3, Long = 4, Rational = 5, SRational = 10 };

struct Entry {
    quint16 tag;
    Type type;
    quint32 count;
    QByteArray value;
};

template <typename T> QByteArray le(std::initializer_list<T> values) {
    QByteArray bytes;
    for (const T value : values) {
        QByteArray one(sizeof(T), '\0');
        qToLittleEndian(value, one.data());
        bytes += one;
    }
    return bytes;
}

Entry shorts(quint16 tag, std::initializer_list<quint16> values) {
    return {tag, Short, quint32(values.size()), le(values)};
}

Entry longs(quint16 tag, quint32 value) {
    return {tag, Long, 1, le({value})};
}

Entry bytes(quint16 tag, QByteArray values) {
    return {tag, Byte, quint32(values.size()), values};
}

Entry text(quint16 tag, const char* value) {
    const QByteArray bytes = QByteArray(value) + '\0';
    return {tag, Ascii, quint32(bytes.size()), bytes};
}

template <typename Number> Entry rationals(quint16 tag, Type type, std::initializer_list<double> values) {
    QByteArray bytes;
    for (const double value : values)
        bytes += le<Number>({Number(std::lround(value * 1'000'000)), Number(1'000'000)});
    return {tag, type, quint32(values.size()), bytes};
}

} // namespace

QByteArray write(const Mosaic& mosaic) {
    // The colour filter array: red, green / green, blue.
    QByteArray samples;
    for (int y = 0; y < mosaic.height; ++y) {
        for (int x = 0; x < mosaic.width; ++x) {
            const int filter = (y % 2) + (x % 2);
            const double level = mosaic.levels[y * mosaic.width + x][filter] * mosaic.asShotNeutral[filter];
            samples += le<quint16>({quint16(std::lround(std::clamp(level, 0.0, 1.0) * 65535))});
        }
    }
    const auto [red, green, blue] = mosaic.asShotNeutral;
    // XYZ to linear sRGB, the inverse of the sRGB primaries LibRaw develops towards.
    std::vector<Entry> entries{longs(254, 0),
                               longs(256, quint32(mosaic.width)),
                               longs(257, quint32(mosaic.height)),
                               shorts(258, {16}),
                               shorts(259, {1}),
                               shorts(262, {32803}),
                               text(271, "Kestrelle"),
                               text(272, "Test"),
                               longs(273, 0),
                               shorts(274, {quint16(mosaic.orientation)}),
                               shorts(277, {1}),
                               longs(278, quint32(mosaic.height)),
                               longs(279, quint32(samples.size())),
                               shorts(284, {1}),
                               shorts(33421, {2, 2}),
                               bytes(33422, QByteArray("\0\1\1\2", 4)),
                               bytes(50706, QByteArray("\1\4\0\0", 4)),
                               text(50708, "Kestrelle Test"),
                               longs(50717, 65535),
                               rationals<qint32>(50721, SRational,
                                                 {3.2404548, -1.5371389, -0.4985315, -0.9692664, 1.8760109,
                                                  0.0415561, 0.0556434, -0.2040259, 1.0572252}),
                               rationals<quint32>(50728, Rational, {red, green, blue}),
                               shorts(50778, {21})};

    const quint32 directory = 8;
    quint32 outside = directory + 2 + quint32(entries.size()) * 12 + 4;
    QByteArray table = le<quint16>({quint16(entries.size())});
    QByteArray values;
    for (const Entry& entry : entries) {
        table += le<quint16>({entry.tag, quint16(entry.type)}) + le<quint32>({entry.count});
        if (entry.value.size() <= 4) {
            table += entry.value.leftJustified(4, '\0');
        } else {
            table += le<quint32>({outside + quint32(values.size())});
            values += entry.value;
        }
    }
    const quint32 stripAt = outside + quint32(values.size());
    QByteArray file = QByteArray("II*\0", 4) + le<quint32>({directory}) + table + le<quint32>({0}) + values;
    // The strip's offset, once the values before it are laid out.
    const auto strip =
        std::find_if(entries.begin(), entries.end(), [](const Entry& e) { return e.tag == 273; });
    qToLittleEndian(stripAt, file.data() + directory + 2 + (strip - entries.begin()) * 12 + 8);
    return file + samples;
}

} // namespace dng
