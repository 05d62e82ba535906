#include "picture/formats/modules/jp2/Jp2Reader.h"

#include "desktop/Owned.h"
#include "picture/PictureFailures.h"
#include "picture/formats/ByteCursor.h"
#include "picture/formats/FinalPixels.h"
#include "picture/formats/FormatModule.h"
#include "picture/formats/StraightAlpha.h"

#include <algorithm>
#include <optional>
#include <vector>

#include <openjpeg.h>

namespace picture {

namespace {

struct Session {
    QIODevice* file = nullptr;
    bool damaged = false;
    bool outOfMemory = false;
};

// Every error and warning is damage; OpenJPEG says out of memory only in words.
void noteMessage(const char* message, void* session) {
    auto* noted = static_cast<Session*>(session);
    noted->damaged = true;
    if (QByteArrayView(message).contains("memory"))
        noted->outOfMemory = true;
}

void ignoreMessage(const char*, void*) {}

QIODevice& device(void* session) {
    return *static_cast<Session*>(session)->file;
}

OPJ_SIZE_T readBytes(void* buffer, OPJ_SIZE_T size, void* session) {
    const qint64 read = device(session).read(static_cast<char*>(buffer), qint64(size));
    return read > 0 ? OPJ_SIZE_T(read) : OPJ_SIZE_T(-1);
}

OPJ_OFF_T skipBytes(OPJ_OFF_T count, void* session) {
    QIODevice& file = device(session);
    const qint64 to = std::clamp<qint64>(file.pos() + count, 0, file.size());
    const qint64 from = file.pos();
    return file.seek(to) ? OPJ_OFF_T(to - from) : OPJ_OFF_T(-1);
}

OPJ_BOOL seekTo(OPJ_OFF_T offset, void* session) {
    QIODevice& file = device(session);
    return offset >= 0 && offset <= file.size() && file.seek(offset);
}

using Codec = desktop::Owned<opj_codec_t, opj_destroy_codec>;
using Stream = desktop::Owned<opj_stream_t, opj_stream_destroy>;
using Image = desktop::Owned<opj_image_t, opj_image_destroy>;

Stream openStream(Session& session) {
    Stream stream(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE));
    if (!stream)
        outOfMemory();
    opj_stream_set_user_data(stream.get(), &session, nullptr);
    opj_stream_set_user_data_length(stream.get(), OPJ_UINT64(session.file->size()));
    opj_stream_set_read_function(stream.get(), readBytes);
    opj_stream_set_skip_function(stream.get(), skipBytes);
    opj_stream_set_seek_function(stream.get(), seekTo);
    return stream;
}

Codec openCodec(QIODevice& file, Session& session, int cores) {
    const bool codestream = file.peek(2) == QByteArrayView("\xFF\x4F");
    Codec codec(opj_create_decompress(codestream ? OPJ_CODEC_J2K : OPJ_CODEC_JP2));
    if (!codec)
        outOfMemory();
    opj_set_error_handler(codec.get(), noteMessage, &session);
    opj_set_warning_handler(codec.get(), noteMessage, &session);
    opj_set_info_handler(codec.get(), ignoreMessage, nullptr);
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    if (!opj_setup_decoder(codec.get(), &parameters) || !opj_decoder_set_strict_mode(codec.get(), OPJ_TRUE))
        invalidPicture();
    // Code-blocks decoded side by side; where the library was built without threads, on one.
    opj_codec_set_threads(codec.get(), cores);
    return codec;
}

// The bytes at a place in the file, fewer where it ends.
QByteArray bytesAt(QIODevice& file, qint64 at, qint64 count) {
    return file.seek(at) ? file.read(count) : QByteArray();
}

// The size a codestream's SIZ marker declares, its offsets taken off; none where it has none.
QSize sizSize(QIODevice& file, qint64 at) {
    const QByteArray bytes = bytesAt(file, at, 24);
    ByteCursor cursor(bytes);
    if (cursor.be16() != 0xFF4F || cursor.be16() != 0xFF51)
        return {};
    cursor.skip(4); // Lsiz, Rsiz
    const qint64 width = cursor.be32(), height = cursor.be32();
    const qint64 left = cursor.be32(), top = cursor.be32();
    if (cursor.overrun() || width <= left || height <= top)
        return {};
    return QSize(int(std::min<qint64>(width - left, 1 << 30)), int(std::min<qint64>(height - top, 1 << 30)));
}

struct Box {
    quint32 type = 0;
    qint64 contents = 0; // where its contents start
    qint64 end = 0;
};

// The box at a place in a .jp2, or none where no whole box header is there.
std::optional<Box> boxAt(QIODevice& file, qint64 at, qint64 end) {
    const QByteArray bytes = bytesAt(file, at, 16);
    ByteCursor cursor(bytes);
    qint64 length = cursor.be32();
    Box box{cursor.be32(), at + 8, 0};
    if (length == 1) {
        const qint64 high = cursor.be32();
        length = high << 32 | cursor.be32();
        box.contents += 8;
    } else if (length == 0) {
        length = end - at;
    }
    box.end = at + length;
    if (cursor.overrun() || box.end < box.contents || box.end > end)
        return std::nullopt;
    return box;
}

constexpr quint32 boxType(const char (&name)[5]) {
    return quint32(uchar(name[0])) << 24 | quint32(uchar(name[1])) << 16 | quint32(uchar(name[2])) << 8 |
           uchar(name[3]);
}

// The sizes the file declares, read before OpenJPEG builds its structures for them (one per tile, each as
// large as its components): a codestream's SIZ, or a .jp2's header box and its codestream's SIZ.
std::vector<QSize> declaredSizes(QIODevice& file) {
    std::vector<QSize> sizes;
    const qint64 end = file.size();
    sizes.push_back(sizSize(file, 0));
    for (qint64 at = 0; at < end;) {
        const std::optional<Box> box = boxAt(file, at, end);
        if (!box)
            break;
        if (box->type == boxType("jp2c")) {
            sizes.push_back(sizSize(file, box->contents));
            break;
        }
        for (qint64 inner = box->contents; box->type == boxType("jp2h") && inner < box->end;) {
            const std::optional<Box> part = boxAt(file, inner, box->end);
            if (!part)
                break;
            if (part->type == boxType("ihdr")) {
                const QByteArray bytes = bytesAt(file, part->contents, 8);
                ByteCursor cursor(bytes);
                const quint32 height = cursor.be32(), width = cursor.be32();
                if (!cursor.overrun())
                    sizes.emplace_back(int(std::min(width, 1u << 30)), int(std::min(height, 1u << 30)));
            }
            inner = part->end;
        }
        at = box->end;
    }
    file.seek(0);
    std::erase_if(sizes, [](QSize size) { return size.isEmpty(); });
    return sizes;
}

void refuseIfDamaged(const Session& session) {
    if (session.outOfMemory)
        outOfMemory();
    if (session.damaged)
        invalidPicture();
}

// The planes of 32-bit samples OpenJPEG decodes every component into, and the compressed bytes it holds.
qint64 decoderBuffers(const opj_image_t& image, qint64 fileSize) {
    qint64 bytes = fileSize;
    for (OPJ_UINT32 c = 0; c < image.numcomps; ++c)
        bytes += qint64(image.comps[c].w) * image.comps[c].h * 4;
    return bytes;
}

// A sample of `bits` bits, made unsigned, on the scale 0 to `top` (255 or 65535), rounded.
int onScale(int sample, int bits, int top) {
    const qint64 largest = (qint64(1) << bits) - 1;
    if (largest == top)
        return sample;
    return int((std::clamp<qint64>(sample, 0, largest) * 2 * top + largest) / (2 * largest));
}

// One component, read at the picture's pixels whatever its subsampling, as unsigned samples.
class Plane {
public:
    Plane(const opj_image_t& image, const opj_image_comp_t& component)
        : component_(component), left_(image.x0), top_(image.y0),
          offset_(component.sgnd ? 1 << (component.prec - 1) : 0) {}

    int at(int x, int y) const {
        const qint64 cx = (left_ + x) / component_.dx - qint64(component_.x0);
        const qint64 cy = (top_ + y) / component_.dy - qint64(component_.y0);
        return component_.data[std::clamp<qint64>(cy, 0, component_.h - 1) * component_.w +
                               std::clamp<qint64>(cx, 0, component_.w - 1)] +
               offset_;
    }
    int bits() const { return int(component_.prec); }
    // Unsigned bytes at the picture's full size, whose rows are read as they lie.
    bool plainBytes(QSize size) const {
        return component_.dx == 1 && component_.dy == 1 && component_.prec == 8 && !component_.sgnd &&
               component_.x0 == left_ && component_.y0 == top_ && qint64(component_.w) >= size.width() &&
               qint64(component_.h) >= size.height();
    }
    const OPJ_INT32* row(int y) const { return component_.data + qint64(y) * component_.w; }

private:
    const opj_image_comp_t& component_;
    qint64 left_, top_;
    int offset_;
};

// sYCC to RGB by the arithmetic of OpenJPEG's own tools, on the components' scale.
void syccToRgb(int& a, int& b, int& c, int bits) {
    const int middle = 1 << (bits - 1);
    const int top = int((qint64(1) << bits) - 1);
    const int y = a;
    const int cb = b - middle;
    const int cr = c - middle;
    a = std::clamp(y + int(1.402f * float(cr)), 0, top);
    b = std::clamp(y - int(0.344f * float(cb) + 0.714f * float(cr)), 0, top);
    c = std::clamp(y + int(1.772f * float(cb)), 0, top);
}

// The bits of the widest component's samples.
int sampleBits(const opj_image_t& image) {
    int bits = 0;
    for (OPJ_UINT32 c = 0; c < image.numcomps; ++c)
        bits = std::max(bits, int(image.comps[c].prec));
    return bits;
}

// The picture's pixels: blue, green, red and alpha bytes, or 16-bit red, green, blue and alpha samples;
// straight alpha, or the most where the file has none.
void put(QImage& picture, int x, int y, const int rgb[3], int alpha) {
    if (picture.depth() == 64) {
        auto* pixel = reinterpret_cast<quint16*>(picture.scanLine(y)) + x * 4;
        for (int c = 0; c < 3; ++c)
            pixel[c] = quint16(rgb[c]);
        pixel[3] = quint16(alpha);
    } else {
        uchar* pixel = picture.scanLine(y) + x * 4;
        for (int c = 0; c < 3; ++c)
            pixel[2 - c] = uchar(rgb[c]);
        pixel[3] = uchar(alpha);
    }
}

// The components that make the colours, grey or red, green and blue; one more is alpha.
int colourCount(const opj_image_t& image) {
    return image.numcomps >= 3 && image.color_space != OPJ_CLRSPC_GRAY ? 3 : 1;
}

// Fills the picture from the components.
void convert(const opj_image_t& image, QImage& picture) {
    const int count = int(image.numcomps);
    const int colours = colourCount(image);
    // A bare codestream says no space: chroma sampled more coarsely than luma is sYCC, as OpenJPEG's tools
    // take it.
    const bool sycc = image.color_space == OPJ_CLRSPC_SYCC ||
                      (image.color_space == OPJ_CLRSPC_UNSPECIFIED && count == 3 && image.comps[1].dx != 1);
    // OpenJPEG knows no space a profile gives, nor CIE Lab, which comes without one.
    const bool profiled = image.icc_profile_buf && image.icc_profile_len > 0;
    if (image.color_space == OPJ_CLRSPC_CMYK || image.color_space == OPJ_CLRSPC_EYCC ||
        (image.color_space == OPJ_CLRSPC_UNKNOWN && !profiled) || (sycc && colours != 3))
        unsupportedFormat();
    std::vector<Plane> planes;
    for (int c = 0; c < count; ++c) {
        const opj_image_comp_t& component = image.comps[c];
        if (component.prec < 1 || component.prec > 31 || !component.data || component.w == 0 ||
            component.h == 0)
            invalidPicture();
        planes.emplace_back(image, image.comps[c]);
    }
    const int alpha = count > colours ? colours : -1;
    const bool premultiplied = alpha >= 0 && image.comps[alpha].alpha == 2;
    // 8-bit RGB, every component at full size, as most photos are: a row at a time.
    if (picture.depth() == 32 && colours == 3 && !sycc && !premultiplied &&
        std::ranges::all_of(planes,
                            [&picture](const Plane& plane) { return plane.plainBytes(picture.size()); })) {
        for (int y = 0; y < picture.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
            const OPJ_INT32 *red = planes[0].row(y), *green = planes[1].row(y), *blue = planes[2].row(y);
            const OPJ_INT32* opacity = alpha >= 0 ? planes[size_t(alpha)].row(y) : nullptr;
            for (int x = 0, width = picture.width(); x < width; ++x)
                line[x] = qRgba(red[x], green[x], blue[x], opacity ? opacity[x] : 255);
        }
        return;
    }
    const int top = picture.depth() == 64 ? 65535 : 255;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0, width = picture.width(); x < width; ++x) {
            int rgb[3];
            for (int c = 0; c < 3; ++c)
                rgb[c] = planes[colours == 3 ? c : 0].at(x, y);
            if (sycc)
                syccToRgb(rgb[0], rgb[1], rgb[2], planes[0].bits());
            const int opacity = alpha >= 0 ? onScale(planes[alpha].at(x, y), planes[alpha].bits(), top) : top;
            for (int c = 0; c < 3; ++c) {
                const int level = onScale(rgb[c], planes[colours == 3 ? c : 0].bits(), top);
                rgb[c] = premultiplied ? straightLevel(level, opacity, top) : level;
            }
            put(picture, x, y, rgb, opacity);
        }
    }
}

} // namespace

DecodedPicture Jp2Reader::decode(QIODevice& file, LoadBudget::Claim& claim, Progress&) {
    for (const QSize declared : declaredSizes(file))
        claim.budget().refuseIfTooLarge(declared, claim.bytes() + file.size());
    Session session;
    session.file = &file;
    const Codec codec = openCodec(file, session, claim.cores());
    const Stream stream = openStream(session);
    opj_image_t* header = nullptr;
    const bool read = opj_read_header(stream.get(), codec.get(), &header);
    const Image image(header);
    // Every resolution level, to the full size.
    if (!read || !image || image->x1 <= image->x0 || image->y1 <= image->y0 || image->numcomps == 0 ||
        !opj_set_decoded_resolution_factor(codec.get(), 0))
        invalidPicture();
    const QSize size(int(std::min<OPJ_UINT32>(image->x1 - image->x0, 1u << 30)),
                     int(std::min<OPJ_UINT32>(image->y1 - image->y0, 1u << 30)));
    const qint64 buffers = decoderBuffers(*image, file.size());
    // A size the header declares is judged even when the rest of the file is damaged; as if the samples
    // were kept at 16 bits, since only the colour box, read with them, tells.
    claim.budget().refuseIfTooLarge(size, claim.bytes() + buffers + qint64(size.width()) * size.height() * 4);
    refuseIfDamaged(session);

    claim.grow(buffers);
    const bool decodedAll =
        opj_decode(codec.get(), stream.get(), image.get()) && opj_end_decompress(codec.get(), stream.get());
    refuseIfDamaged(session);
    if (!decodedAll)
        invalidPicture();
    DecodedPicture decoded;
    if (image->icc_profile_len > 0)
        decoded.colour.iccProfile = QByteArray(reinterpret_cast<const char*>(image->icc_profile_buf),
                                               qsizetype(image->icc_profile_len));
    const bool wide = sampleBits(*image) > 8 && decoded.colour.keepsSixteenBits();
    // Transparency is laid on white after the colour stage.
    decoded.image = finalPixels(size, wide, int(image->numcomps) > colourCount(*image), 0, claim);
    convert(*image, decoded.image);
    return decoded;
}

} // namespace picture

KESTRELLE_FORMAT_MODULE(picture::Jp2Reader)
