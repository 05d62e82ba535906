#include "support/GifEncoder.h"

namespace test {

namespace {

constexpr int clearCode = 256;
constexpr int endCode = 257;
constexpr int codeBits = 9;
constexpr int codesPerTable = 250; // 258 + 250 stays below 512, where a decoder widens its codes

void appendLe16(QByteArray& out, int value) {
    out.append(char(value & 0xFF));
    out.append(char(value >> 8 & 0xFF));
}

void appendTable(QByteArray& out, const QList<QRgb>& colors, bool inverted) {
    const int flip = inverted ? 0xFF : 0;
    for (QRgb color : colors) {
        out.append(char(qRed(color) ^ flip));
        out.append(char(qGreen(color) ^ flip));
        out.append(char(qBlue(color) ^ flip));
    }
}

QByteArray lzwCodes(const QImage& indexed, bool interlaced) {
    QByteArray packed;
    quint32 pending = 0;
    int pendingBits = 0;
    const auto put = [&](int code) {
        pending |= quint32(code) << pendingBits;
        for (pendingBits += codeBits; pendingBits >= 8; pendingBits -= 8) {
            packed.append(char(pending & 0xFF));
            pending >>= 8;
        }
    };
    int sinceClear = codesPerTable;
    const QList<std::pair<int, int>> passes = interlaced
                                                  ? QList<std::pair<int, int>>{{0, 8}, {4, 8}, {2, 4}, {1, 2}}
                                                  : QList<std::pair<int, int>>{{0, 1}};
    for (const auto& [start, step] : passes) {
        for (int y = start; y < indexed.height(); y += step) {
            for (int x = 0; x < indexed.width(); ++x) {
                if (sinceClear == codesPerTable) {
                    put(clearCode);
                    sinceClear = 0;
                }
                put(indexed.pixelIndex(x, y));
                ++sinceClear;
            }
        }
    }
    put(endCode);
    if (pendingBits > 0)
        packed.append(char(pending));
    return packed;
}

} // namespace

QByteArray encodeGif(const QImage& picture, const GifShape& shape) {
    const QImage indexed = picture.convertToFormat(QImage::Format_Indexed8);
    QByteArray out("GIF89a");
    appendLe16(out, indexed.width());
    appendLe16(out, indexed.height());
    out.append(char(0xF7)); // a global table of 256 colours
    out.append(2, '\0');
    QList<QRgb> colors = indexed.colorTable();
    colors.resize(256);
    appendTable(out, colors, shape.localTable);
    out.append(',');
    appendLe16(out, 0);
    appendLe16(out, 0);
    appendLe16(out, indexed.width());
    appendLe16(out, indexed.height());
    out.append(char((shape.localTable ? 0x87 : 0) | (shape.interlaced ? 0x40 : 0)));
    if (shape.localTable)
        appendTable(out, colors, false);
    out.append(char(8)); // LZW minimum code size
    const QByteArray codes = lzwCodes(indexed, shape.interlaced);
    for (qsizetype at = 0; at < codes.size(); at += 255) {
        const QByteArray block = codes.mid(at, 255);
        out.append(char(block.size()));
        out.append(block);
    }
    out.append('\0');
    out.append(';');
    return out;
}

} // namespace test
