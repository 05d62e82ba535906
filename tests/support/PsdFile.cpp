#include "support/PsdFile.h"

#include <algorithm>
#include <bit>

namespace test {

namespace {

void be16(QByteArray& out, int value) {
    out.append(char(value >> 8 & 0xFF)).append(char(value & 0xFF));
}

void be32(QByteArray& out, quint32 value) {
    be16(out, int(value >> 16));
    be16(out, int(value & 0xFFFF));
}

// Literal runs of up to 128 bytes: PackBits that any reader must take.
QByteArray packBits(QByteArrayView row) {
    QByteArray packed;
    for (qsizetype at = 0; at < row.size(); at += 128) {
        const QByteArrayView literal = row.sliced(at, std::min<qsizetype>(128, row.size() - at));
        packed.append(char(literal.size() - 1)).append(literal);
    }
    return packed;
}

} // namespace

QByteArray PsdFile::bytes() const {
    QByteArray out("8BPS");
    be16(out, 1);
    out.append(6, '\0');
    be16(out, int(channels.size()));
    be32(out, quint32(height));
    be32(out, quint32(width));
    be16(out, depth);
    be16(out, mode);
    be32(out, quint32(colourModeData.size()));
    out += colourModeData;
    QByteArray resourceBytes;
    for (const auto& [id, data] : resources) {
        resourceBytes += "8BIM";
        be16(resourceBytes, id);
        be16(resourceBytes, 0); // an empty name, padded to even
        be32(resourceBytes, quint32(data.size()));
        resourceBytes += data;
        if (data.size() % 2)
            resourceBytes += '\0';
    }
    be32(out, quint32(resourceBytes.size()));
    out += resourceBytes;
    // A layer section of no layers, whose count's sign tells whether the merged picture has transparency.
    be32(out, 8);
    be32(out, 4);
    be16(out, transparency ? 0xFFFF : 0);
    be16(out, 0);
    be16(out, packed ? 1 : 0);
    const qsizetype rowBytes = (qsizetype(width) * depth + 7) / 8;
    QByteArray counts, data;
    for (const QByteArray& channel : channels)
        for (int y = 0; y < height; ++y) {
            const QByteArrayView row = QByteArrayView(channel).sliced(y * rowBytes, rowBytes);
            const QByteArray stored = packed ? packBits(row) : row.toByteArray();
            be16(counts, int(stored.size()));
            data += stored;
        }
    return out + (packed ? counts : QByteArray()) + data;
}

QByteArray psdSamples8(const std::vector<int>& samples) {
    QByteArray out;
    for (const int s : samples)
        out.append(char(s));
    return out;
}

QByteArray psdSamples16(const std::vector<int>& samples) {
    QByteArray out;
    for (const int s : samples)
        be16(out, s);
    return out;
}

QByteArray psdSamples32(const std::vector<float>& samples) {
    QByteArray out;
    for (const float s : samples)
        be32(out, std::bit_cast<quint32>(s));
    return out;
}

} // namespace test
