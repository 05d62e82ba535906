#include "picture/formats/modules/jxl/JxlReader.h"

#include "desktop/Owned.h"
#include "picture/PictureFailures.h"
#include "picture/RowBands.h"
#include "picture/formats/FinalPixels.h"
#include "picture/formats/FormatModule.h"
#include "picture/formats/WholeFile.h"

#include <QtEndian>

#include <atomic>
#include <cstdlib>
#include <optional>
#include <vector>

#include <jxl/decode.h>
#include <jxl/thread_parallel_runner.h>

namespace picture {

namespace {

// Bytes red first into pixels that keep blue first, in bands on every core: a plain loop the compiler
// widens to whole vectors. Only with the width read once: a store through a pixel could change the
// image's width as far as the compiler knows, and the loop would go one pixel a step (66 ms against 18 for
// 24 megapixels on one core). libjxl's own callback for runs of pixels, which could swap them while they
// are in the cache, makes its decode a third slower.
void swapRedAndBlue(QImage& image) {
    uchar* const bits = image.bits();
    const qsizetype bytesPerLine = image.bytesPerLine();
    const int width = image.width();
    inRowBands(image.height(), qint64(width) * image.height(), [=](int first, int end) {
        for (int y = first; y < end; ++y) {
            auto* pixel = reinterpret_cast<quint32*>(bits + y * bytesPerLine);
            for (int x = 0; x < width; ++x) {
                const quint32 p = qFromLittleEndian(pixel[x]); // 0xAABBGGRR from bytes R, G, B, A
                pixel[x] = (p & 0xff00ff00u) | ((p & 0xffu) << 16) | ((p >> 16) & 0xffu);
            }
        }
    });
}

// libjxl's allocations go through here, from any of its threads, so that one that fails is told from damage
// and none is larger than the whole budget, whatever sizes the frames inside the canvas claim.
struct Allocations {
    size_t largest = 0;
    std::atomic<bool> failed = false;
};

void* allocate(void* opaque, size_t size) {
    auto* allocations = static_cast<Allocations*>(opaque);
    void* memory = size <= allocations->largest ? std::malloc(size) : nullptr;
    if (!memory)
        allocations->failed = true;
    return memory;
}

void release(void*, void* memory) {
    std::free(memory);
}

using DecoderHandle = desktop::Owned<JxlDecoder, JxlDecoderDestroy>;
using Runner = desktop::Owned<void, JxlThreadParallelRunnerDestroy>;

// libjxl keeps the frame it decodes in its own planes of 32-bit samples, colour and alpha, before it hands
// out rows; an animation's canvas, which the first frame is laid on, once more.
qint64 decoderBuffers(const JxlBasicInfo& info) {
    const qint64 planes = 3 + qint64(info.num_extra_channels);
    const qint64 pixels = qint64(info.xsize) * info.ysize;
    return pixels * planes * 4 * (info.have_animation ? 2 : 1);
}

// A codestream may declare up to 2^30 pixels a side.
QSize declaredSize(const JxlBasicInfo& info) {
    return {int(qMin(info.xsize, 1u << 30)), int(qMin(info.ysize, 1u << 30))};
}

// sRGB, or grey on sRGB's curve and white.
bool isSrgb(const JxlColorEncoding& encoding) {
    const bool primaries =
        encoding.color_space == JXL_COLOR_SPACE_GRAY ||
        (encoding.color_space == JXL_COLOR_SPACE_RGB && encoding.primaries == JXL_PRIMARIES_SRGB);
    return primaries && encoding.white_point == JXL_WHITE_POINT_D65 &&
           encoding.transfer_function == JXL_TRANSFER_FUNCTION_SRGB;
}

// Lossy samples are decoded into the file's own space where libjxl can name it; into sRGB where the file
// gives a profile it cannot (it would give 8-bit linear light, which bands).
void chooseSpace(JxlDecoder* decoder, const JxlBasicInfo& info) {
    JxlColorEncoding original;
    if (info.uses_original_profile ||
        JxlDecoderGetColorAsEncodedProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_ORIGINAL, &original) ==
            JXL_DEC_SUCCESS)
        return;
    JxlColorEncoding srgb{};
    srgb.color_space = info.num_color_channels == 1 ? JXL_COLOR_SPACE_GRAY : JXL_COLOR_SPACE_RGB;
    srgb.white_point = JXL_WHITE_POINT_D65;
    srgb.primaries = JXL_PRIMARIES_SRGB;
    srgb.transfer_function = JXL_TRANSFER_FUNCTION_SRGB;
    srgb.rendering_intent = JXL_RENDERING_INTENT_RELATIVE;
    if (JxlDecoderSetPreferredColorProfile(decoder, &srgb) != JXL_DEC_SUCCESS)
        invalidPicture();
}

void describeColour(JxlDecoder* decoder, ColourDescription& colour) {
    JxlColorEncoding encoding;
    if (JxlDecoderGetColorAsEncodedProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &encoding) ==
            JXL_DEC_SUCCESS &&
        isSrgb(encoding)) {
        colour.srgb = true;
        return;
    }
    size_t size = 0;
    if (JxlDecoderGetICCProfileSize(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &size) !=
        JXL_DEC_SUCCESS)
        return;
    colour.iccProfile.resize(qsizetype(size));
    if (JxlDecoderGetColorAsICCProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA,
                                       reinterpret_cast<uint8_t*>(colour.iccProfile.data()),
                                       size) != JXL_DEC_SUCCESS)
        invalidPicture();
}

// The extra channel of CMYK's black, beside cyan, magenta and yellow in the colour channels; none for
// other pictures.
std::optional<uint32_t> blackChannel(JxlDecoder* decoder, const JxlBasicInfo& info) {
    if (info.num_color_channels != 3)
        return std::nullopt;
    for (uint32_t index = 0; index < info.num_extra_channels; ++index) {
        JxlExtraChannelInfo channel{};
        if (JxlDecoderGetExtraChannelInfo(decoder, index, &channel) != JXL_DEC_SUCCESS)
            invalidPicture();
        if (channel.type == JXL_CHANNEL_BLACK)
            return index;
    }
    return std::nullopt;
}

// JPEG XL stores each ink inverted, 255 meaning none; the picture's bytes become C, M, Y, K as the colour
// stage takes them, black from its own plane.
void placeInks(QImage& image, const std::vector<uchar>& black) {
    const int width = image.width();
    for (int y = 0; y < image.height(); ++y) {
        uchar* pixel = image.scanLine(y);
        const uchar* k = black.data() + qsizetype(y) * width;
        for (int x = 0; x < width; ++x, pixel += 4) {
            pixel[0] = uchar(255 - pixel[0]);
            pixel[1] = uchar(255 - pixel[1]);
            pixel[2] = uchar(255 - pixel[2]);
            pixel[3] = uchar(255 - k[x]);
        }
    }
}

} // namespace

DecodedPicture JxlReader::decode(QIODevice& file, LoadBudget::Claim& claim, Progress&) {
    const QByteArray bytes = wholeFile(file, claim);
    Allocations allocations;
    allocations.largest = size_t(claim.budget().total());
    const JxlMemoryManager memory{&allocations, allocate, release};
    const DecoderHandle decoder(JxlDecoderCreate(&memory));
    const Runner runner(JxlThreadParallelRunnerCreate(&memory, size_t(claim.cores())));
    if (!decoder || !runner)
        outOfMemory();
    JxlDecoder* jxl = decoder.get();
    if (JxlDecoderSetParallelRunner(jxl, JxlThreadParallelRunner, runner.get()) != JXL_DEC_SUCCESS ||
        JxlDecoderSubscribeEvents(jxl, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_FULL_IMAGE) !=
            JXL_DEC_SUCCESS ||
        JxlDecoderSetKeepOrientation(jxl, JXL_TRUE) != JXL_DEC_SUCCESS ||
        JxlDecoderSetUnpremultiplyAlpha(jxl, JXL_TRUE) != JXL_DEC_SUCCESS ||
        JxlDecoderSetInput(jxl, reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())) !=
            JXL_DEC_SUCCESS)
        invalidPicture();
    JxlDecoderCloseInput(jxl);

    JxlBasicInfo info{};
    DecodedPicture decoded;
    bool wide = false;
    std::optional<uint32_t> black;
    std::vector<uchar> blackPlane;
    for (;;) {
        switch (JxlDecoderProcessInput(jxl)) {
        case JXL_DEC_BASIC_INFO:
            if (JxlDecoderGetBasicInfo(jxl, &info) != JXL_DEC_SUCCESS)
                invalidPicture();
            // The bare size first: then the buffers worked out from it cannot overflow.
            claim.budget().refuseIfTooLarge(declaredSize(info), claim.bytes());
            claim.budget().refuseIfTooLarge(declaredSize(info), claim.bytes() + decoderBuffers(info));
            decoded.orientation = info.orientation >= 1 && info.orientation <= 8 ? int(info.orientation) : 1;
            black = blackChannel(jxl, info);
            decoded.cmyk = black.has_value();
            break;
        case JXL_DEC_COLOR_ENCODING:
            // CMYK keeps its inks for the colour stage: libjxl would convert colour without the black.
            if (!decoded.cmyk)
                chooseSpace(jxl, info);
            describeColour(jxl, decoded.colour);
            wide = info.bits_per_sample > 8 && !decoded.cmyk && decoded.colour.keepsSixteenBits();
            break;
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            const qint64 blackBytes = decoded.cmyk ? qint64(info.xsize) * info.ysize : 0;
            // Transparency is laid on white after the colour stage.
            decoded.image =
                finalPixels(QSize(int(info.xsize), int(info.ysize)), wide,
                            info.alpha_bits > 0 && !decoded.cmyk, decoderBuffers(info) + blackBytes, claim);
            // Red, green, blue and alpha straight into the picture's rows: libjxl writes into a buffer far
            // faster than through a callback for each run of pixels.
            const JxlPixelFormat format{4, wide ? JXL_TYPE_UINT16 : JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN,
                                        size_t(decoded.image.bytesPerLine())};
            if (JxlDecoderSetImageOutBuffer(jxl, &format, decoded.image.bits(),
                                            size_t(decoded.image.sizeInBytes())) != JXL_DEC_SUCCESS)
                invalidPicture();
            if (black) {
                blackPlane.resize(size_t(blackBytes));
                const JxlPixelFormat plane{1, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
                if (JxlDecoderSetExtraChannelBuffer(jxl, &plane, blackPlane.data(), blackPlane.size(),
                                                    *black) != JXL_DEC_SUCCESS)
                    invalidPicture();
            }
            break;
        }
        case JXL_DEC_FULL_IMAGE:
            // The first frame, laid on the canvas: what an animation shows before it plays. 16-bit samples
            // come in the picture's own order; bytes come red first, where the picture keeps blue.
            if (decoded.cmyk)
                placeInks(decoded.image, blackPlane);
            else if (!wide)
                swapRedAndBlue(decoded.image);
            return decoded;
        default:
            if (allocations.failed)
                outOfMemory();
            invalidPicture();
        }
    }
}

} // namespace picture

KESTRELLE_FORMAT_MODULE(picture::JxlReader)
