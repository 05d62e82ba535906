#include "support/DngFile.h"
#include "support/PatchedBytes.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <utility>

namespace dng {

namespace {

// One directory entry: its tag, its TIFF type, how many values and their bytes.
struct Entry {
    quint16 tag;
    quint16 type;
    quint32 count;
    QByteArray value;
};

Entry shorts(quint16 tag, std::initializer_list<quint16> values) {
    return {tag, 3, quint32(values.size()), littleEndian(values)};
}

Entry longOne(quint16 tag, qsizetype value) {
    return {tag, 4, 1, littleEndian({quint32(value)})};
}

Entry bytes(quint16 tag, const char (&values)[5]) {
    return {tag, 1, 4, QByteArray(values, 4)};
}

// Signed (type 10) or unsigned (type 5) rationals over a million.
Entry rationals(quint16 tag, quint16 type, std::initializer_list<double> values) {
    QByteArray bytes;
    for (const double value : values)
        bytes += littleEndian({qint32(std::lround(value * 1e6)), qint32(1'000'000)});
    return {tag, type, quint32(values.size()), bytes};
}

} // namespace

QByteArray write(const Mosaic& mosaic) {
    // The colour filter array: red, green / green, blue.
    QByteArray samples;
    for (int y = 0; y < mosaic.height; ++y)
        for (int x = 0; x < mosaic.width; ++x) {
            const int filter = y % 2 + x % 2;
            const double level = mosaic.levels[y * mosaic.width + x][filter] * mosaic.asShotNeutral[filter];
            samples += littleEndian({quint16(std::lround(std::clamp(level, 0.0, 1.0) * 65535))});
        }
    const auto [red, green, blue] = mosaic.asShotNeutral;
    Entry entries[] = {longOne(256, mosaic.width),
                       longOne(257, mosaic.height),
                       shorts(258, {16}),
                       shorts(259, {1}),
                       shorts(262, {32803}),
                       {271, 2, 10, QByteArray("Kestrelle", 10)},
                       longOne(273, 0),
                       shorts(274, {quint16(mosaic.orientation)}),
                       shorts(277, {1}),
                       longOne(278, mosaic.height),
                       longOne(279, samples.size()),
                       shorts(33421, {2, 2}),
                       bytes(33422, "\0\1\1\2"),
                       bytes(50706, "\1\4\0\0"),
                       longOne(50717, 65535),
                       // XYZ to linear sRGB: the inverse of LibRaw's sRGB primaries.
                       rationals(50721, 10,
                                 {3.2404548, -1.5371389, -0.4985315, -0.9692664, 1.8760109, 0.0415561,
                                  0.0556434, -0.2040259, 1.0572252}),
                       rationals(50728, 5, {red, green, blue})};

    // The directory right after the header, then the values too long for it, then the samples.
    const quint32 valuesAt = 8 + 2 + quint32(std::size(entries)) * 12 + 4;
    QByteArray values;
    for (Entry& entry : entries)
        if (entry.value.size() > 4)
            values += std::exchange(entry.value, littleEndian({valuesAt + quint32(values.size())}));
    std::ranges::find(entries, 273, &Entry::tag)->value = littleEndian({valuesAt + quint32(values.size())});
    QByteArray file =
        QByteArray("II*\0", 4) + littleEndian({quint32(8)}) + littleEndian({quint16(std::size(entries))});
    for (const Entry& entry : entries)
        file += littleEndian({entry.tag, entry.type}) + littleEndian({entry.count}) +
                entry.value.leftJustified(4, '\0');
    return file + littleEndian({quint32(0)}) + values + samples;
}

QByteArray halfWhite(std::array<double, 3> colour, std::array<double, 3> neutral, int orientation,
                     double white) {
    Mosaic mosaic{
        .width = 64, .height = 48, .levels = {}, .asShotNeutral = neutral, .orientation = orientation};
    for (int y = 0; y < mosaic.height; ++y)
        for (int x = 0; x < mosaic.width; ++x)
            mosaic.levels.append(x < mosaic.width / 2 ? colour : std::array<double, 3>{white, white, white});
    return write(mosaic);
}

} // namespace dng
