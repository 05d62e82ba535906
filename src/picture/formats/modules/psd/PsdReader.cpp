#include "picture/formats/modules/psd/PsdReader.h"

#include "picture/PictureFailures.h"
#include "picture/formats/ByteCursor.h"
#include "picture/formats/ExifOrientation.h"
#include "picture/formats/FilePieces.h"
#include "picture/formats/FinalPixels.h"
#include "picture/formats/FormatModule.h"
#include "picture/formats/WholeFile.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <vector>

namespace picture {

namespace {

enum Mode { Bitmap = 0, Grey = 1, Indexed = 2, Rgb = 3, Cmyk = 4, Multichannel = 7, Duotone = 8, Lab = 9 };

// The channels that make a mode's colour; 0 for modes that do not exist. A duotone document's merged
// picture is its grey tones; a multichannel one's first channel is shown as grey, as its plate.
int coloursOf(int mode) {
    switch (mode) {
    case Rgb:
    case Lab:
        return 3;
    case Cmyk:
        return 4;
    case Bitmap:
    case Grey:
    case Indexed:
    case Multichannel:
    case Duotone:
        return 1;
    default:
        return 0;
    }
}

struct Header {
    bool large = false; // PSB: 64-bit section lengths and 32-bit row lengths
    int channels = 0;
    QSize size;
    int depth = 0;
    int mode = 0;
    int colours = 0;
};

void skipTo(QIODevice& file, qint64 position) {
    if (position < 0 || position > file.size() || !file.seek(position))
        invalidPicture();
}

// A section's length, 32 bits or, for the layers in a PSB, 64; never more than the file has left, so that
// adding it to a position cannot overflow.
qint64 sectionLength(QIODevice& file, bool wide) {
    const QByteArray bytes = readExactly(file, wide ? 8 : 4);
    ByteCursor in(bytes);
    const quint64 high = wide ? in.be32() : 0;
    const quint64 length = high << 32 | in.be32();
    if (length > quint64(file.size() - file.pos()))
        invalidPicture();
    return qint64(length);
}

Header readHeader(QIODevice& file) {
    const QByteArray bytes = readExactly(file, 26);
    ByteCursor in(bytes);
    Header header;
    if (in.bytes(4) != "8BPS")
        invalidPicture();
    const int version = in.be16();
    in.skip(6);
    header.large = version == 2;
    header.channels = in.be16();
    const quint32 height = in.be32();
    const quint32 width = in.be32();
    header.depth = in.be16();
    header.mode = in.be16();
    const quint32 largest = header.large ? 300000 : 30000;
    if ((version != 1 && version != 2) || header.channels < 1 || header.channels > 56 || width == 0 ||
        height == 0 || width > largest || height > largest)
        invalidPicture();
    header.size = QSize(int(width), int(height));
    header.colours = coloursOf(header.mode);
    // 32-bit float documents are grey or RGB.
    const bool floating = header.depth == 32 && (header.mode == Grey || header.mode == Rgb);
    if (header.colours == 0 || (header.mode == Bitmap) != (header.depth == 1) ||
        (header.depth != 1 && header.depth != 8 && header.depth != 16 && !floating))
        unsupportedFormat();
    if (header.channels < header.colours)
        invalidPicture();
    return header;
}

// An indexed picture's 256 colours, kept as all reds, then all greens, then all blues.
std::vector<QRgb> readPalette(QIODevice& file, const Header& header) {
    const qint64 length = sectionLength(file, false);
    const qint64 end = file.pos() + length;
    std::vector<QRgb> palette;
    if (header.mode == Indexed) {
        if (length < 768)
            invalidPicture();
        const QByteArray bytes = readExactly(file, 768);
        const auto* c = reinterpret_cast<const uchar*>(bytes.constData());
        for (int i = 0; i < 256; ++i)
            palette.push_back(qRgb(c[i], c[256 + i], c[512 + i]));
    }
    skipTo(file, end);
    return palette;
}

// The ICC profile and the EXIF orientation among the image resources.
void readResources(QIODevice& file, DecodedPicture& decoded) {
    const qint64 length = sectionLength(file, false);
    const qint64 end = file.pos() + length;
    while (file.pos() < end) {
        const QByteArray head = readExactly(file, 7);
        ByteCursor in(head);
        if (in.bytes(4) != "8BIM")
            invalidPicture();
        const int id = in.be16();
        const int nameLength = in.u8();
        skipTo(file, file.pos() + (nameLength + 1 + 1) / 2 * 2 - 1); // the name, padded to even
        const qint64 size = sectionLength(file, false);
        if (file.pos() + size > end)
            invalidPicture();
        const bool wanted = id == 1039 || id == 1058;
        if (id == 1039)
            decoded.colour.iccProfile = readExactly(file, size);
        if (id == 1058) {
            QByteArray exif = readExactly(file, size);
            // Some writers keep the JPEG segment's "Exif" mark in front of the TIFF header.
            if (exif.startsWith(QByteArrayView("Exif\0\0", 6)))
                exif.remove(0, 6);
            decoded.orientation = ExifOrientation::read(exif);
        }
        skipTo(file, file.pos() + (size + 1) / 2 * 2 - (wanted ? size : 0));
    }
    skipTo(file, end);
}

// Whether the merged picture's first extra channel is its transparency: a negative layer count says so.
bool readMergedAlpha(QIODevice& file, const Header& header) {
    const qint64 length = sectionLength(file, header.large);
    const qint64 end = file.pos() + length;
    bool alpha = false;
    if (length >= (header.large ? 10 : 6) && sectionLength(file, header.large) >= 2) {
        const QByteArray count = readExactly(file, 2);
        alpha = qint16(ByteCursor(count).be16()) < 0;
    }
    skipTo(file, end);
    return alpha;
}

// Unpacks one PackBits row, which must fill the row exactly.
void unpackRow(QByteArrayView packed, uchar* row, qsizetype rowBytes) {
    ByteCursor in(packed);
    qsizetype at = 0;
    while (in.position() < in.size()) {
        const int head = qint8(in.u8());
        if (head >= 0) {
            const QByteArrayView literal = in.bytes(head + 1);
            if (literal.isEmpty() || at + literal.size() > rowBytes)
                invalidPicture();
            std::copy(literal.begin(), literal.end(), row + at);
            at += literal.size();
        } else if (head != -128) {
            const qsizetype count = 1 - head;
            const uchar value = in.u8();
            if (in.overrun() || at + count > rowBytes)
                invalidPicture();
            std::fill_n(row + at, count, value);
            at += count;
        }
    }
    if (at != rowBytes)
        invalidPicture();
}

quint8 eightBits(quint16 sample) {
    return quint8((sample * 255u + 32767u) / 65535u);
}

// A 16-bit or 32-bit float sample at x of a row as 16 bits; floats are linear light, clipped to 0..1.
quint16 wideSample(const uchar* plane, int x, int depth) {
    if (depth == 16)
        return quint16(plane[x * 2] << 8 | plane[x * 2 + 1]);
    const uchar* b = plane + x * 4;
    const float v =
        std::bit_cast<float>(quint32(b[0]) << 24 | quint32(b[1]) << 16 | quint32(b[2]) << 8 | b[3]);
    return v > 0 ? quint16(std::lround(std::min(v, 1.0f) * 65535)) : 0; // NaN too is 0
}

// The rows of each channel the picture uses, where they lie in the file.
class ChannelRows {
public:
    ChannelRows(QIODevice& file, const Header& header, int used, bool packed)
        : file_(file), height_(header.size.height()),
          rowBytes_((qint64(header.size.width()) * header.depth + 7) / 8), bands_(size_t(used)) {
        const qint64 rows = qint64(used) * height_;
        if (!packed) {
            for (qint64 row = 0, at = file.pos(); row <= rows; ++row, at += rowBytes_)
                starts_.push_back(at);
        } else {
            readCounts(file, header, rows);
        }
        // Every row in the file, before any pixel exists.
        if (starts_.back() > file.size())
            invalidPicture();
    }

    // Bytes a list of offsets takes.
    static qint64 bytesFor(const Header& header, int used) {
        return (qint64(used) * header.size.height() + 1) * qint64(sizeof(qint64));
    }

    // Reads the rows [first, first + count) of each used channel, each channel's rows in one read.
    void readBand(int first, int count) {
        band_ = first;
        for (size_t c = 0; c < bands_.size(); ++c) {
            const size_t from = index(int(c), first);
            skipTo(file_, starts_[from]);
            bands_[c] = readExactly(file_, starts_[from + size_t(count)] - starts_[from]);
        }
    }

    // Row y of a channel, from the band last read.
    void read(int channel, int y, uchar* row) const {
        const size_t at = index(channel, y);
        const qint64 from = starts_[at] - starts_[index(channel, band_)];
        const QByteArrayView bytes =
            QByteArrayView(bands_[size_t(channel)]).sliced(from, starts_[at + 1] - starts_[at]);
        if (packed_)
            unpackRow(bytes, row, rowBytes_);
        else
            std::copy(bytes.begin(), bytes.end(), row);
    }

    // Rows to read at once: about a megabyte of each channel.
    int bandRows() const { return int(std::clamp<qint64>((1 << 20) / rowBytes_, 1, height_)); }

    qint64 rowBytes() const { return rowBytes_; }

private:
    // The PackBits rows' lengths, after which the rows follow one another. A row shorter than PackBits
    // can make its unpacked bytes is refused here.
    void readCounts(QIODevice& file, const Header& header, qint64 rows) {
        const int countBytes = header.large ? 4 : 2;
        const qint64 shortest = (rowBytes_ + 127) / 128 * 2;
        qint64 at = file.pos() + qint64(header.channels) * height_ * countBytes;
        FilePieces pieces(file);
        starts_.push_back(at);
        for (qint64 row = 0; row < rows; ++row) {
            ByteCursor& in = pieces.cursor(countBytes);
            const qint64 count = header.large ? in.be32() : in.be16();
            if (count < shortest)
                invalidPicture();
            at += count;
            starts_.push_back(at);
        }
        if (pieces.cursor(0).overrun())
            invalidPicture();
        packed_ = true;
    }

    size_t index(int channel, int y) const { return size_t(qint64(channel) * height_ + y); }

    QIODevice& file_;
    int height_;
    qint64 rowBytes_;
    bool packed_ = false;
    std::vector<qint64> starts_;
    std::vector<QByteArray> bands_;
    int band_ = 0;
};

// A row of 16-bit samples from the colour channels (and the transparency) as they are, or floats as 16 bits.
void wideRow(const std::vector<QByteArray>& planes, const Header& header, bool alpha, quint16* sample) {
    const auto plane = [&](int c) { return reinterpret_cast<const uchar*>(planes[size_t(c)].constData()); };
    for (int x = 0; x < header.size.width(); ++x, sample += 4) {
        for (int c = 0; c < 3; ++c)
            sample[c] = wideSample(plane(header.mode == Grey ? 0 : c), x, header.depth);
        sample[3] = alpha ? wideSample(plane(header.colours), x, header.depth) : 0xFFFF;
    }
}

// A channel's row as one 8-bit sample a pixel: 16-bit samples narrowed, a bitmap's bits spread out.
const uchar* eightBitRow(const QByteArray& plane, const Header& header, std::vector<uchar>& narrowed) {
    const auto* in = reinterpret_cast<const uchar*>(plane.constData());
    if (header.depth == 8)
        return in;
    for (int x = 0; x < header.size.width(); ++x)
        narrowed[size_t(x)] = header.depth == 16 ? eightBits(quint16(in[x * 2] << 8 | in[x * 2 + 1]))
                                                 : (in[x / 8] >> (7 - x % 8) & 1);
    return narrowed.data();
}

// One row of final pixels from each channel's 8-bit samples; opacity is null when the picture has none.
void eightBitPixels(const std::array<const uchar*, 5>& s, const uchar* opacity, const Header& header,
                    const std::vector<QRgb>& palette, uchar* row) {
    const int width = header.size.width();
    auto* pixel = reinterpret_cast<QRgb*>(row);
    const auto alpha = [opacity](int x) { return opacity ? QRgb(opacity[x]) << 24 : 0xFF000000u; };
    switch (header.mode) {
    case Cmyk:
        // Stored as 255 for no ink; ink under transparency thins towards the white of the paper.
        for (int x = 0; x < width; ++x, row += 4) {
            const int a = opacity ? opacity[x] : 255;
            for (size_t c = 0; c < 4; ++c)
                row[c] = uchar(((255 - s[c][x]) * a + 127) / 255);
        }
        break;
    case Lab:
        // L*, a*, b* in memory order, as the colour stage takes them.
        for (int x = 0; x < width; ++x, row += 4) {
            for (size_t c = 0; c < 3; ++c)
                row[c] = s[c][x];
            row[3] = opacity ? opacity[x] : 255;
        }
        break;
    case Bitmap:
        for (int x = 0; x < width; ++x)
            pixel[x] = s[0][x] ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
        break;
    case Indexed:
        for (int x = 0; x < width; ++x)
            pixel[x] = palette[s[0][x]];
        break;
    case Rgb:
        for (int x = 0; x < width; ++x)
            pixel[x] = alpha(x) | QRgb(s[0][x]) << 16 | QRgb(s[1][x]) << 8 | s[2][x];
        break;
    default: // grey, a duotone's grey tones, a multichannel document's first plate
        for (int x = 0; x < width; ++x)
            pixel[x] = alpha(x) | QRgb(s[0][x]) * 0x010101u;
    }
}

} // namespace

DecodedPicture PsdReader::decode(QIODevice& file, LoadBudget::Claim& claim, Progress&) {
    const Header header = readHeader(file);
    claim.budget().refuseIfTooLarge(header.size, claim.bytes());
    const std::vector<QRgb> palette = readPalette(file, header);
    DecodedPicture decoded;
    readResources(file, decoded);
    const bool alpha = readMergedAlpha(file, header) && header.mode != Bitmap && header.mode != Indexed &&
                       header.mode != Multichannel && header.channels > header.colours;
    const int used = header.colours + (alpha ? 1 : 0);
    const QByteArray compression = readExactly(file, 2);
    const int method = ByteCursor(compression).be16();
    if (method > 1)
        unsupportedFormat();
    const qint64 offsets = ChannelRows::bytesFor(header, used);
    claim.budget().refuseIfTooLarge(header.size, claim.bytes() + offsets);
    claim.grow(offsets);
    ChannelRows rows(file, header, used, method == 1);

    // Floats are linear light, which the colour stage brings to the screen's curve from 16 bits, lest
    // the dark tones band. 16-bit grey and RGB are handed over as they are where the stage converts them.
    if (header.depth == 32)
        decoded.colour.fileGamma = 1;
    decoded.colour.lab = header.mode == Lab;
    const bool wide =
        header.depth == 32 || (header.depth == 16 && (header.mode == Grey || header.mode == Rgb) &&
                               decoded.colour.keepsSixteenBits());
    // Bytes are marked as transparent once their rows are read, where they are not inks.
    decoded.image = finalPixels(header.size, wide, wide && alpha, 0, claim);
    decoded.cmyk = header.mode == Cmyk;
    std::vector<QByteArray> planes(size_t(used), QByteArray(rows.rowBytes(), '\0'));
    std::vector<std::vector<uchar>> narrowed(size_t(used), std::vector<uchar>(size_t(header.size.width())));
    const int bandRows = rows.bandRows();
    for (int y = 0; y < header.size.height(); ++y) {
        if (y % bandRows == 0)
            rows.readBand(y, std::min(bandRows, header.size.height() - y));
        for (int c = 0; c < used; ++c)
            rows.read(c, y, reinterpret_cast<uchar*>(planes[size_t(c)].data()));
        if (wide) {
            wideRow(planes, header, alpha, reinterpret_cast<quint16*>(decoded.image.scanLine(y)));
            continue;
        }
        std::array<const uchar*, 5> samples{};
        for (int c = 0; c < used; ++c)
            samples[size_t(c)] = eightBitRow(planes[size_t(c)], header, narrowed[size_t(c)]);
        eightBitPixels(samples, alpha ? samples[size_t(header.colours)] : nullptr, header, palette,
                       decoded.image.scanLine(y));
    }
    if (alpha && !decoded.cmyk && !wide)
        decoded.image.reinterpretAsFormat(QImage::Format_ARGB32); // laid on white after the colour stage
    return decoded;
}

} // namespace picture

KESTRELLE_FORMAT_MODULE(picture::PsdReader)
