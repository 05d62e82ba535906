#include "picture/formats/modules/heif/HeifReader.h"

#include "desktop/Owned.h"
#include "picture/PictureFailures.h"
#include "picture/formats/FinalPixels.h"
#include "picture/formats/FormatModule.h"
#include "picture/formats/StraightAlpha.h"
#include "picture/formats/WholeFile.h"
#include "picture/formats/WideSamples.h"

#include <algorithm>
#include <cstring>

#include <libheif/heif.h>

namespace picture {

namespace {

using Context = desktop::Owned<heif_context, heif_context_free>;
using Handle = desktop::Owned<heif_image_handle, heif_image_handle_release>;
using Image = desktop::Owned<heif_image, heif_image_release>;
using Options = desktop::Owned<heif_decoding_options, heif_decoding_options_free>;

void check(const heif_error& error) {
    switch (error.code) {
    case heif_error_Ok:
        return;
    case heif_error_Memory_allocation_error:
        if (error.subcode != heif_suberror_Security_limit_exceeded)
            outOfMemory();
        invalidPicture();
    case heif_error_Unsupported_filetype:
    case heif_error_Unsupported_feature:
        unsupportedFormat();
    default:
        invalidPicture();
    }
}

void describe(const heif_image_handle* handle, DecodedPicture& decoded) {
    const size_t profileSize = heif_image_handle_get_raw_color_profile_size(handle);
    if (profileSize > 0) {
        QByteArray profile(qsizetype(profileSize), '\0');
        check(heif_image_handle_get_raw_color_profile(handle, profile.data()));
        decoded.colour.iccProfile = profile;
    }
    heif_color_profile_nclx* nclx = nullptr;
    if (heif_image_handle_get_nclx_color_profile(handle, &nclx).code == heif_error_Ok && nclx) {
        decoded.colour.cicp = Cicp{int(nclx->color_primaries), int(nclx->transfer_characteristics)};
        heif_nclx_color_profile_free(nclx);
    }
    // libheif turns the picture by its irot and imir boxes; the EXIF orientation is not read, so that
    // nothing turns twice.
    decoded.orientation = 1;
}

// Eight-bit red, green, blue and perhaps alpha into the picture's bytes, opaque without alpha.
void copyBytes(const uchar* rows, qsizetype stride, int channels, QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        const uchar* source = rows + y * stride;
        uchar* target = image.scanLine(y);
        for (int x = 0, width = image.width(); x < width; ++x, source += channels, target += 4) {
            target[0] = source[2];
            target[1] = source[1];
            target[2] = source[0];
            target[3] = channels == 4 ? source[3] : 0xFF;
        }
    }
}

} // namespace

DecodedPicture HeifReader::decode(QIODevice& file, LoadBudget::Claim& claim, Progress&) {
    const QByteArray bytes = wholeFile(file, claim);
    const Context context(heif_context_alloc());
    if (!context)
        outOfMemory();
    // libheif's own guard against boxes that declare pictures no budget holds: the longest side a picture of
    // one row could have within it. The budget judges the declared size itself below.
    heif_context_set_maximum_image_size_limit(context.get(),
                                              int(std::min<qint64>(claim.budget().total() / 4, 1 << 30)));
    // A grid's tiles, as phones write them, are decoded side by side.
    heif_context_set_max_decoding_threads(context.get(), claim.cores());
    check(heif_context_read_from_memory_without_copy(context.get(), bytes.constData(), size_t(bytes.size()),
                                                     nullptr));
    heif_image_handle* primary = nullptr;
    check(heif_context_get_primary_image_handle(context.get(), &primary));
    const Handle handle(primary);

    // The size the codec decodes, from the picture's ispe box, and the size once cut and turned.
    const QSize coded(heif_image_handle_get_ispe_width(primary), heif_image_handle_get_ispe_height(primary));
    const QSize size(heif_image_handle_get_width(primary), heif_image_handle_get_height(primary));
    if (coded.isEmpty() || size.isEmpty())
        invalidPicture();
    const bool alpha = heif_image_handle_has_alpha_channel(primary);
    const int channels = alpha ? 4 : 3;
    DecodedPicture decoded;
    describe(primary, decoded);
    const bool deep = heif_image_handle_get_luma_bits_per_pixel(primary) > 8;
    const bool wide = deep && decoded.colour.keepsSixteenBits();
    const qint64 sampleBytes = deep ? 2 : 1;
    // libheif's pictures before ours: the decoded planes (a grid's tiles assembled into them), their cut
    // and turned copy and the interleaved samples it hands over.
    const qint64 buffers = qint64(coded.width()) * coded.height() * channels * sampleBytes * 3;
    // Wide samples come in pixels of eight bytes, beside the final ones of four the colour stage makes.
    const qint64 widePixels = wide ? qint64(size.width()) * size.height() * 8 : 0;
    claim.budget().refuseIfTooLarge(coded, claim.bytes() + buffers + widePixels);
    // A grid's own box declares the size its tiles are assembled into, and HEVC's headers the size the codec
    // decodes; libheif holds neither to the ispe, only both their sides to the limit below (the ispe's
    // longest side and the padding to HEVC's largest coding block). The square of planes that allows is
    // judged too.
    const int side = std::max(coded.width(), coded.height()) + 64;
    heif_context_set_maximum_image_size_limit(context.get(), side);
    claim.budget().refuseIfTooLarge(coded, claim.bytes() + qint64(side) * side * channels * sampleBytes);

    decoded.image = finalPixels(size, wide, alpha, buffers, claim);

    const Options options(heif_decoding_options_alloc());
    if (!options)
        outOfMemory();
    options->strict_decoding = 1;
    // Deep samples come wide, and are narrowed here where the colour stage takes bytes: rounded to the
    // nearest level, as the other readers narrow them.
    const heif_chroma chroma =
        deep ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
             : (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
    heif_image* decodedImage = nullptr;
    check(heif_decode_image(primary, &decodedImage, heif_colorspace_RGB, chroma, options.get()));
    const Image image(decodedImage);
    int stride = 0;
    const uchar* rows = heif_image_get_plane_readonly(decodedImage, heif_channel_interleaved, &stride);
    // A warning is damage that libheif decoded around.
    if (!rows || heif_image_get_decoding_warnings(decodedImage, 0, nullptr, 0) > 0 ||
        QSize(heif_image_get_width(decodedImage, heif_channel_interleaved),
              heif_image_get_height(decodedImage, heif_channel_interleaved)) != size)
        invalidPicture();
    const int bits = heif_image_get_bits_per_pixel_range(decodedImage, heif_channel_interleaved);
    if (wide)
        widenTo16Bits(rows, stride, channels, bits, decoded.image);
    else if (deep)
        narrowTo8Bits(rows, stride, channels, bits, decoded.image);
    else
        copyBytes(rows, stride, channels, decoded.image);
    if (alpha && heif_image_is_premultiplied_alpha(decodedImage))
        makeStraight(decoded.image);
    return decoded;
}

} // namespace picture

KESTRELLE_FORMAT_MODULE(picture::HeifReader)
