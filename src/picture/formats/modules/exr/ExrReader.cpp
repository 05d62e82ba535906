#include "picture/formats/modules/exr/ExrReader.h"

#include "desktop/Failure.h"
#include "picture/PictureFailures.h"
#include "picture/RowBands.h"
#include "picture/formats/FormatModule.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <cmath>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include <Iex.h>
#include <ImfChannelList.h>
#include <ImfChromaticities.h>
#include <ImfHeader.h>
#include <ImfIO.h>
#include <ImfRgbaFile.h>
#include <ImfStandardAttributes.h>
#include <ImfThreading.h>
#include <ImfTileDescription.h>
#include <ImfVersion.h>

namespace picture {

namespace {

constexpr int linesAtOnce = 16;

// OpenEXR reads the file through these calls; a read past its end is damage.
class DeviceStream : public Imf::IStream {
public:
    explicit DeviceStream(QIODevice& file) : Imf::IStream("picture"), file_(file) {}

    bool read(char bytes[], int count) override {
        if (count < 0 || file_.read(bytes, count) != count)
            throw Iex::InputExc("file cut short");
        return !file_.atEnd();
    }
    uint64_t tellg() override { return uint64_t(file_.pos()); }
    void seekg(uint64_t at) override {
        if (at > uint64_t(file_.size()) || !file_.seek(qint64(at)))
            throw Iex::InputExc("seek past the end");
    }

private:
    QIODevice& file_;
};

// OpenEXR's failures as the program's: what it throws is damage, but for running out of memory.
template <typename Work> auto library(Work work) {
    try {
        return work();
    } catch (const desktop::Failure&) {
        throw;
    } catch (const std::bad_alloc&) {
        outOfMemory();
    } catch (const std::exception&) {
        invalidPicture();
    }
}

// The first part's header, read before OpenEXR allocates anything for the pixels.
Imf::Header firstHeader(DeviceStream& stream) {
    char start[8];
    stream.read(start, 8);
    if (!Imf::isImfMagic(start))
        invalidPicture();
    int version = qFromLittleEndian<qint32>(start + 4);
    if (Imf::getVersion(version) != Imf::EXR_VERSION || !Imf::supportsFlags(Imf::getFlags(version)))
        invalidPicture();
    if (Imf::isNonImage(version))
        unsupportedFormat(); // deep samples, not a picture
    Imf::Header header;
    header.readFrom(stream, version);
    stream.seekg(0);
    return header;
}

// The lines OpenEXR decompresses at once: a chunk of its compression, or a row of tiles.
qint64 linesInChunk(const Imf::Header& header) {
    if (header.hasTileDescription())
        return header.tileDescription().ySize;
    switch (header.compression()) {
    case Imf::NO_COMPRESSION:
    case Imf::RLE_COMPRESSION:
    case Imf::ZIPS_COMPRESSION:
        return 1;
    case Imf::ZIP_COMPRESSION:
    case Imf::PXR24_COMPRESSION:
        return 16;
    case Imf::PIZ_COMPRESSION:
    case Imf::B44_COMPRESSION:
    case Imf::B44A_COMPRESSION:
    case Imf::DWAA_COMPRESSION:
        return 32;
    default:
        return 256; // DWAB, the most any compression takes
    }
}

// What OpenEXR allocates itself to read the file: a chunk of every channel, compressed and not, and
// for luminance and chroma the lines its filter spans, as RGBA.
qint64 libraryBuffers(const Imf::Header& header, qint64 width) {
    qint64 lineBytes = 0;
    for (auto channel = header.channels().begin(); channel != header.channels().end(); ++channel) {
        const qint64 sampling = std::max(channel.channel().xSampling, 1);
        lineBytes += (channel.channel().type == Imf::HALF ? 2 : 4) * ((width + sampling - 1) / sampling);
    }
    const bool chroma = header.channels().findChannel("RY") || header.channels().findChannel("BY");
    return 2 * linesInChunk(header) * lineBytes + (chroma ? 32 * width * qint64(sizeof(Imf::Rgba)) : 0);
}

// The layer to show: the plain channels where there are any, else the first layer, in the file's order,
// that has a colour or luminance channel. A file of depth or alpha alone has nothing to show.
std::string shownLayer(const Imf::Header& header) {
    const auto colour = [](const std::string& name) {
        return name == "R" || name == "G" || name == "B" || name == "Y";
    };
    std::optional<std::string> layered;
    for (auto channel = header.channels().begin(); channel != header.channels().end(); ++channel) {
        const std::string name = channel.name();
        const size_t dot = name.rfind('.');
        if (dot == std::string::npos && colour(name))
            return {};
        if (dot != std::string::npos && !layered && colour(name.substr(dot + 1)))
            layered = name.substr(0, dot);
    }
    if (!layered)
        unsupportedFormat();
    return *layered;
}

// The file's linear RGB to sRGB's, through XYZ, the white left as the file has it; none for Rec. 709.
class Primaries {
public:
    explicit Primaries(const Imf::Header& header) {
        const Imf::Chromaticities srgb;
        const Imf::Chromaticities file = Imf::hasChromaticities(header) ? Imf::chromaticities(header) : srgb;
        same_ = file == srgb;
        const Imath::M44f toSrgb = Imf::RGBtoXYZ(file, 1) * Imf::XYZtoRGB(srgb, 1);
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                matrix_[i][j] = double(toSrgb[i][j]);
    }

    bool same() const { return same_; }

    void toSrgb(double rgb[3]) const {
        if (same_)
            return;
        const double r = rgb[0], g = rgb[1], b = rgb[2];
        for (int j = 0; j < 3; ++j)
            rgb[j] = r * matrix_[0][j] + g * matrix_[1][j] + b * matrix_[2][j];
    }

private:
    bool same_ = true;
    double matrix_[3][3] = {};
};

// Linear light, clipped to 0..1, through the sRGB curve to 8 bits, rounded.
int srgbEightBits(double linear) {
    if (!(linear > 0))
        return 0; // NaN too
    const double v = std::min(linear, 1.0);
    const double encoded = v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
    return int(std::lround(encoded * 255));
}

// Every half float through the curve above, worked out once: opaque pixels of sRGB's primaries, as most
// are, take their levels from here rather than three curves each.
const std::array<uchar, 65536>& srgbOfEveryHalf() {
    static const std::array<uchar, 65536> levels = [] {
        std::array<uchar, 65536> table{};
        half value;
        for (int bits = 0; bits < 65536; ++bits) {
            value.setBits(quint16(bits));
            table[size_t(bits)] = uchar(srgbEightBits(float(value)));
        }
        return table;
    }();
    return levels;
}

// A row of premultiplied half-float RGBA into the picture's blue, green, red and straight alpha.
void convertRow(const Imf::Rgba* from, int count, const Primaries& primaries, uchar* to) {
    const std::array<uchar, 65536>& srgb = srgbOfEveryHalf();
    const quint16 opaque = half(1.0f).bits();
    for (int x = 0; x < count; ++x, ++from, to += 4) {
        if (from->a.bits() == opaque && primaries.same()) {
            to[0] = srgb[from->b.bits()];
            to[1] = srgb[from->g.bits()];
            to[2] = srgb[from->r.bits()];
            to[3] = 0xFF;
            continue;
        }
        const double a = float(from->a);
        const double alpha = a > 0 ? std::min(a, 1.0) : 0.0; // NaN too is 0
        double rgb[3] = {float(from->r), float(from->g), float(from->b)};
        primaries.toSrgb(rgb);
        for (int c = 0; c < 3; ++c)
            to[2 - c] = uchar(alpha > 0 ? srgbEightBits(rgb[c] / alpha) : 0);
        to[3] = uchar(std::lround(alpha * 255));
    }
}

} // namespace

DecodedPicture ExrReader::decode(QIODevice& file, LoadBudget::Claim& claim, Progress&) {
    DeviceStream stream(file);
    const Imf::Header header = library([&stream] { return firstHeader(stream); });
    const std::string layer = shownLayer(header);
    const Imath::Box2i window = header.dataWindow();
    const qint64 width = qint64(window.max.x) - window.min.x + 1;
    const qint64 height = qint64(window.max.y) - window.min.y + 1;
    if (width <= 0 || height <= 0)
        invalidPicture();
    const QSize size(int(std::min<qint64>(width, 1 << 30)), int(std::min<qint64>(height, 1 << 30)));
    // Chunks decoded side by side, each core's into buffers of its own, and their lines turned into pixels
    // in bands.
    const int cores = claim.cores();
    const int lines = linesAtOnce * cores * 4;
    // Those lines of half floats, OpenEXR's offsets of its chunks and its own buffers.
    const qint64 buffers =
        width * lines * qint64(sizeof(Imf::Rgba)) + height * 8 + libraryBuffers(header, width) * cores;
    claim.budget().refuseIfTooLarge(size, claim.bytes() + buffers);

    DecodedPicture decoded;
    decoded.image = claim.rgb32(size.width(), size.height(), buffers);
    library([&] {
        if (cores > 1)
            Imf::setGlobalThreadCount(cores); // one helper, one picture: the pool is this picture's
        Imf::RgbaInputFile input(stream, layer, cores > 1 ? cores : 0);
        const Primaries primaries(input.header());
        std::vector<Imf::Rgba> read(size_t(width) * size_t(lines));
        uchar* const pixels = decoded.image.bits();
        const qsizetype bytesPerLine = decoded.image.bytesPerLine();
        for (int row = 0; row < size.height(); row += lines) {
            const int count = std::min(lines, size.height() - row);
            const int y = window.min.y + row;
            input.setFrameBuffer(Imf::ComputeBasePointer(read.data(), Imath::V2i(window.min.x, y), width), 1,
                                 size_t(width));
            input.readPixels(y, y + count - 1);
            inBandsOfRows(count, cores, [&](int first, int end) {
                for (int line = first; line < end; ++line)
                    convertRow(read.data() + line * width, int(width), primaries,
                               pixels + (row + line) * bytesPerLine);
            });
        }
        return 0;
    });
    decoded.image.reinterpretAsFormat(QImage::Format_ARGB32); // laid on white after the colour stage
    return decoded;
}

} // namespace picture

KESTRELLE_FORMAT_MODULE(picture::ExrReader)
