#include "picture/formats/modules/tiff/TiffReader.h"

#include "desktop/Owned.h"
#include "picture/PictureFailures.h"
#include "picture/formats/FormatModule.h"
#include "picture/formats/StraightAlpha.h"

#include <QFloat16>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <vector>

#include <tiffio.h>

namespace picture {

namespace {

struct Session {
    QIODevice* file = nullptr;
    bool damaged = false;
};

// Every error is damage.
int noteError(TIFF*, void* session, const char*, const char*, va_list) {
    static_cast<Session*>(session)->damaged = true;
    return 1;
}

// So is every warning but those about a file that is whole, only old or new: a private tag libtiff does
// not know is how TIFF grows, and LZW codes of the order before TIFF 5.0 decode all the same.
int noteWarning(TIFF* tiff, void* session, const char* module, const char* format, va_list arguments) {
    const QByteArrayView warning(format);
    if (warning.startsWith("Unknown field with tag") || warning.startsWith("Old-style LZW codes"))
        return 1;
    return noteError(tiff, session, module, format, arguments);
}

QIODevice& device(thandle_t handle) {
    return *static_cast<Session*>(handle)->file;
}

tmsize_t readBytes(thandle_t handle, void* buffer, tmsize_t size) {
    return tmsize_t(device(handle).read(static_cast<char*>(buffer), qint64(size)));
}

tmsize_t writeNothing(thandle_t, void*, tmsize_t) {
    return -1;
}

toff_t seekTo(thandle_t handle, toff_t offset, int whence) {
    QIODevice& file = device(handle);
    const qint64 base = whence == SEEK_CUR ? file.pos() : whence == SEEK_END ? file.size() : 0;
    const qint64 to = base + qint64(offset);
    return to >= 0 && file.seek(to) ? toff_t(to) : toff_t(-1);
}

int closeNothing(thandle_t) {
    return 0;
}

toff_t sizeOf(thandle_t handle) {
    return toff_t(device(handle).size());
}

int mapNothing(thandle_t, void**, toff_t*) {
    return 0;
}

void unmapNothing(thandle_t, void*, toff_t) {}

using Tiff = desktop::Owned<TIFF, TIFFClose>;

Tiff open(Session& session, qint64 largestAllocation) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options)
        outOfMemory();
    TIFFOpenOptionsSetErrorHandlerExtR(options, noteError, &session);
    TIFFOpenOptionsSetWarningHandlerExtR(options, noteWarning, &session);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t(largestAllocation));
    // "m": read through the calls above, never by mapping the file.
    Tiff tiff(TIFFClientOpenExt("picture", "rm", &session, readBytes, writeNothing, seekTo, closeNothing,
                                sizeOf, mapNothing, unmapNothing, options));
    TIFFOpenOptionsFree(options);
    if (!tiff)
        invalidPicture();
    return tiff;
}

template <typename T> T field(TIFF* tiff, ttag_t tag) {
    T value{};
    TIFFGetFieldDefaulted(tiff, tag, &value);
    return value;
}

// The first page's samples, in a layout this reader converts itself.
struct Layout {
    int bits = 0;
    int samplesPerPixel = 0;
    bool floating = false;
    int photometric = 0; // PHOTOMETRIC_MINISWHITE, _MINISBLACK, _RGB, _PALETTE or _SEPARATED
    int colours = 0;     // 1, 3 or 4 samples of colour, then perhaps alpha
    int alpha = EXTRASAMPLE_UNSPECIFIED;
    const quint16* palette[3] = {};
};

std::optional<Layout> ownLayout(TIFF* tiff) {
    Layout layout;
    layout.bits = field<quint16>(tiff, TIFFTAG_BITSPERSAMPLE);
    layout.samplesPerPixel = field<quint16>(tiff, TIFFTAG_SAMPLESPERPIXEL);
    const int format = field<quint16>(tiff, TIFFTAG_SAMPLEFORMAT);
    layout.floating = format == SAMPLEFORMAT_IEEEFP;
    const bool whole = format == SAMPLEFORMAT_UINT && (layout.bits <= 16 || layout.bits == 32) &&
                       (layout.bits & (layout.bits - 1)) == 0;
    const bool floating = layout.floating && (layout.bits == 16 || layout.bits == 32 || layout.bits == 64);
    if ((!whole && !floating) ||
        (layout.samplesPerPixel > 1 && field<quint16>(tiff, TIFFTAG_PLANARCONFIG) != PLANARCONFIG_CONTIG))
        return std::nullopt;

    layout.photometric = field<quint16>(tiff, TIFFTAG_PHOTOMETRIC);
    if (layout.photometric == PHOTOMETRIC_YCBCR &&
        field<quint16>(tiff, TIFFTAG_COMPRESSION) == COMPRESSION_JPEG &&
        TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB))
        layout.photometric = PHOTOMETRIC_RGB; // the JPEG decoder turns YCbCr into RGB
    switch (layout.photometric) {
    case PHOTOMETRIC_MINISWHITE:
    case PHOTOMETRIC_MINISBLACK:
        layout.colours = 1;
        break;
    case PHOTOMETRIC_PALETTE:
        if (!whole || layout.bits > 16 ||
            !TIFFGetField(tiff, TIFFTAG_COLORMAP, &layout.palette[0], &layout.palette[1], &layout.palette[2]))
            return std::nullopt;
        layout.colours = 1;
        break;
    case PHOTOMETRIC_RGB:
        layout.colours = 3;
        break;
    case PHOTOMETRIC_SEPARATED:
        if (field<quint16>(tiff, TIFFTAG_INKSET) != INKSET_CMYK)
            return std::nullopt;
        layout.colours = 4;
        break;
    default:
        return std::nullopt;
    }
    if (layout.samplesPerPixel < layout.colours)
        return std::nullopt;
    quint16 extraCount = 0;
    const quint16* extras = nullptr;
    if (layout.samplesPerPixel > layout.colours &&
        TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extras) && extraCount > 0)
        layout.alpha = extras[0];
    return layout;
}

// Turns rows of the file's samples into the picture's four bytes a pixel: blue, green, red and straight
// alpha, or the four inks of CMYK with the alpha laid on white here.
class RowConverter {
public:
    explicit RowConverter(const Layout& layout)
        : layout_(layout), scale_(255.0 / double((quint64(1) << layout.bits) - 1)),
          bytes_(layout.bits == 8 && !layout.floating && layout.photometric != PHOTOMETRIC_PALETTE &&
                 layout.colours != 4 && layout.alpha != EXTRASAMPLE_ASSOCALPHA) {}

    void convert(const uchar* source, int count, uchar* target) const {
        if (bytes_) {
            convertBytes(source, count, target);
            return;
        }
        const int samples = layout_.samplesPerPixel;
        for (int x = 0; x < count; ++x, target += 4) {
            const qsizetype first = qsizetype(x) * samples;
            const int alpha =
                layout_.alpha == EXTRASAMPLE_UNSPECIFIED ? 255 : level(source, first + layout_.colours);
            const bool associated = layout_.alpha == EXTRASAMPLE_ASSOCALPHA;
            if (layout_.colours == 4) {
                // Ink under transparency thins towards the white of the paper.
                for (int c = 0; c < 4; ++c) {
                    const int ink = level(source, first + c);
                    target[c] = uchar(associated ? ink : (ink * alpha + 127) / 255);
                }
                continue;
            }
            int rgb[3];
            if (layout_.photometric == PHOTOMETRIC_PALETTE) {
                const quint32 index = whole(source, first);
                for (int c = 0; c < 3; ++c)
                    rgb[c] = (layout_.palette[c][index] * 255 + 32767) / 65535;
            } else if (layout_.colours == 1) {
                const int grey = level(source, first);
                rgb[0] = rgb[1] = rgb[2] = layout_.photometric == PHOTOMETRIC_MINISWHITE ? 255 - grey : grey;
            } else {
                for (int c = 0; c < 3; ++c)
                    rgb[c] = level(source, first + c);
            }
            for (int c = 0; c < 3; ++c)
                target[2 - c] = uchar(associated ? straightLevel(rgb[c], alpha) : rgb[c]);
            target[3] = uchar(alpha);
        }
    }

private:
    // The commonest layouts, 8-bit grey or RGB with or without straight alpha, a byte a sample.
    void convertBytes(const uchar* source, int count, uchar* target) const {
        const int samples = layout_.samplesPerPixel;
        if (samples == 3 && layout_.colours == 3) {
            widenRgb(source, count, reinterpret_cast<QRgb*>(target));
            return;
        }
        const bool grey = layout_.colours == 1;
        const uchar flip = layout_.photometric == PHOTOMETRIC_MINISWHITE ? 0xFF : 0;
        const bool alpha = layout_.alpha != EXTRASAMPLE_UNSPECIFIED;
        for (int x = 0; x < count; ++x, source += samples, target += 4) {
            target[0] = grey ? source[0] ^ flip : source[2];
            target[1] = grey ? source[0] ^ flip : source[1];
            target[2] = source[0] ^ flip;
            target[3] = alpha ? source[layout_.colours] : 0xFF;
        }
    }

    // Plain RGB, as photos are kept, a row at a time: each pixel's three bytes and the next one's first read
    // as one big-endian word, the last pixel alone, lest it read past the row.
    static void widenRgb(const uchar* source, int count, QRgb* pixels) {
        for (int x = 0; x < count - 1; ++x, source += 3)
            pixels[x] = 0xFF000000u | qFromBigEndian<quint32>(source) >> 8;
        pixels[count - 1] = qRgb(source[0], source[1], source[2]);
    }

    // Sample i of the row as stored, for palette indices.
    quint32 whole(const uchar* row, qsizetype i) const {
        switch (layout_.bits) {
        case 8:
            return row[i];
        case 16: {
            quint16 v;
            std::memcpy(&v, row + i * 2, 2);
            return v;
        }
        case 32: {
            quint32 v;
            std::memcpy(&v, row + i * 4, 4);
            return v;
        }
        default: {
            const qsizetype bit = i * layout_.bits;
            return (row[bit / 8] >> (8 - layout_.bits - bit % 8)) & ((1u << layout_.bits) - 1);
        }
        }
    }

    // Sample i of the row on the scale 0 to 255.
    int level(const uchar* row, qsizetype i) const {
        if (!layout_.floating)
            return layout_.bits == 8 ? row[i] : int(whole(row, i) * scale_ + 0.5);
        double v = 0;
        if (layout_.bits == 16) {
            qfloat16 half;
            std::memcpy(&half, row + i * 2, 2);
            v = double(half);
        } else if (layout_.bits == 32) {
            float single;
            std::memcpy(&single, row + i * 4, 4);
            v = single;
        } else {
            std::memcpy(&v, row + i * 8, 8);
        }
        return v > 0 ? int(std::min(v, 1.0) * 255 + 0.5) : 0; // NaN too is 0
    }

    const Layout& layout_;
    const double scale_; // from whole samples to 0..255
    const bool bytes_;
};

// The buffer one strip or tile decodes into, for each plane where the samples lie apart.
qint64 pieceBytes(TIFF* tiff) {
    const qint64 piece = qint64(TIFFIsTiled(tiff) ? TIFFTileSize64(tiff) : TIFFStripSize64(tiff));
    const bool apart = field<quint16>(tiff, TIFFTAG_PLANARCONFIG) == PLANARCONFIG_SEPARATE;
    return apart ? piece * field<quint16>(tiff, TIFFTAG_SAMPLESPERPIXEL) : piece;
}

// done hears of each part of the picture as it is decoded.
using PartDone = std::function<void(QRect part)>;

void readStrips(TIFF* tiff, const Session& session, const RowConverter& rows, QImage& image,
                const PartDone& done) {
    const int height = image.height();
    const quint32 rowsPerStrip = std::clamp<quint32>(field<quint32>(tiff, TIFFTAG_ROWSPERSTRIP), 1, height);
    const tmsize_t rowBytes = TIFFScanlineSize(tiff);
    std::vector<uchar> strip(size_t(rowBytes) * rowsPerStrip);
    for (int y = 0; y < height; y += int(rowsPerStrip)) {
        const int count = std::min(int(rowsPerStrip), height - y);
        const tmsize_t expected = rowBytes * count;
        if (TIFFReadEncodedStrip(tiff, TIFFComputeStrip(tiff, quint32(y), 0), strip.data(), expected) !=
                expected ||
            session.damaged)
            invalidPicture();
        for (int r = 0; r < count; ++r)
            rows.convert(strip.data() + r * rowBytes, image.width(), image.scanLine(y + r));
        done(QRect(0, y, image.width(), count));
    }
}

// The tiles under `first` come first, so that what a person sees first is decoded first.
void readTiles(TIFF* tiff, const Session& session, const RowConverter& rows, QImage& image, QRect first,
               const PartDone& done) {
    const int tileWidth = int(field<quint32>(tiff, TIFFTAG_TILEWIDTH));
    const int tileHeight = int(field<quint32>(tiff, TIFFTAG_TILELENGTH));
    const tmsize_t tileBytes = TIFFTileSize(tiff);
    const tmsize_t rowBytes = TIFFTileRowSize(tiff);
    if (tileWidth <= 0 || tileHeight <= 0 || tileBytes <= 0)
        invalidPicture();
    std::vector<uchar> tile(static_cast<size_t>(tileBytes));
    const auto read = [&](QRect part) {
        if (TIFFReadTile(tiff, tile.data(), quint32(part.x()), quint32(part.y()), 0, 0) != tileBytes ||
            session.damaged)
            invalidPicture();
        for (int r = 0; r < part.height(); ++r)
            rows.convert(tile.data() + r * rowBytes, part.width(),
                         image.scanLine(part.y() + r) + part.x() * 4);
        done(part);
    };
    for (const bool seenFirst : {true, false})
        for (int y = 0; y < image.height(); y += tileHeight)
            for (int x = 0; x < image.width(); x += tileWidth) {
                const QRect part = QRect(x, y, tileWidth, tileHeight) & image.rect();
                if (part.intersects(first) == seenFirst)
                    read(part);
            }
}

// libtiff's renderer, for the layouts this reader does not convert itself, writes premultiplied red,
// green, blue and alpha bytes top to bottom into the picture.
void render(TIFF* tiff, const Session& session, QImage& image) {
    char message[1024];
    TIFFRGBAImage renderer;
    if (!TIFFRGBAImageOK(tiff, message) || !TIFFRGBAImageBegin(&renderer, tiff, 1, message))
        unsupportedFormat();
    // The orientation stage turns the picture, so the renderer does not.
    renderer.req_orientation = ORIENTATION_TOPLEFT;
    renderer.orientation = ORIENTATION_TOPLEFT;
    const int rendered = TIFFRGBAImageGet(&renderer, reinterpret_cast<quint32*>(image.bits()),
                                          quint32(image.width()), quint32(image.height()));
    TIFFRGBAImageEnd(&renderer);
    if (!rendered || session.damaged)
        invalidPicture();
    // Its words are 0xAABBGGRR: made straight, then red and blue exchanged.
    for (int y = 0; y < image.height(); ++y) {
        auto* pixel = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0, width = image.width(); x < width; ++x) {
            const quint32 p = straight(pixel[x]);
            pixel[x] = (p & 0xff00ff00u) | (p & 0xffu) << 16 | (p >> 16 & 0xffu);
        }
    }
}

void describe(TIFF* tiff, DecodedPicture& decoded) {
    quint32 length = 0;
    const void* profile = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_ICCPROFILE, &length, &profile) && profile)
        decoded.colour.iccProfile = QByteArray(static_cast<const char*>(profile), qsizetype(length));
    const int orientation = field<quint16>(tiff, TIFFTAG_ORIENTATION);
    decoded.orientation = orientation >= 1 && orientation <= 8 ? orientation : 1;
}

} // namespace

DecodedPicture TiffReader::decode(QIODevice& file, LoadBudget::Claim& claim, Progress& progress) {
    Session session;
    session.file = &file;
    const Tiff tiff = open(session, claim.budget().total());
    const QSize size(int(field<quint32>(tiff.get(), TIFFTAG_IMAGEWIDTH)),
                     int(field<quint32>(tiff.get(), TIFFTAG_IMAGELENGTH)));
    // A size the directory declares is judged even when the rest of the directory is damaged.
    if (!size.isEmpty())
        claim.budget().refuseIfTooLarge(size, claim.bytes());
    if (size.isEmpty() || session.damaged)
        invalidPicture();

    DecodedPicture decoded;
    const Progress::Lease lease(progress);
    describe(tiff.get(), decoded);
    const std::optional<Layout> layout = ownLayout(tiff.get());
    // One strip or tile decoded, and libtiff's buffer of its compressed bytes, at most as large.
    const qint64 piece = pieceBytes(tiff.get());
    decoded.image = claim.rgb32(size.width(), size.height(), piece + std::min(piece, file.size()));
    decoded.cmyk = layout && layout->colours == 4;
    // Transparency is laid on white after the colour stage.
    if (!layout || (!decoded.cmyk && layout->alpha != EXTRASAMPLE_UNSPECIFIED))
        decoded.image.reinterpretAsFormat(QImage::Format_ARGB32);
    if (!layout) {
        render(tiff.get(), session, decoded.image);
        return decoded;
    }
    const RowConverter rows(*layout);
    const PartDone done = [&](QRect part) { progress.decoded(decoded, part); };
    if (TIFFIsTiled(tiff.get()))
        readTiles(tiff.get(), session, rows, decoded.image, progress.wanted(), done);
    else
        readStrips(tiff.get(), session, rows, decoded.image, done);
    return decoded;
}

} // namespace picture

KESTRELLE_FORMAT_MODULE(picture::TiffReader)
