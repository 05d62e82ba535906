#include "picture/formats/modules/avif/AvifReader.h"

#include "desktop/Owned.h"
#include "picture/PictureFailures.h"
#include "picture/RowBands.h"
#include "picture/formats/FinalPixels.h"
#include "picture/formats/FormatModule.h"
#include "picture/formats/WholeFile.h"
#include "picture/formats/modules/avif/AvifDeclaredSize.h"

#include <cstring>
#include <mutex>
#include <vector>

#include <avif/avif.h>

namespace picture {

namespace {

using AvifDecoder = desktop::Owned<avifDecoder, avifDecoderDestroy>;

void check(avifResult result) {
    switch (result) {
    case AVIF_RESULT_OK:
        return;
    case AVIF_RESULT_OUT_OF_MEMORY:
        outOfMemory();
    case AVIF_RESULT_NOT_IMPLEMENTED:
    case AVIF_RESULT_NO_CODEC_AVAILABLE:
        unsupportedFormat();
    default:
        invalidPicture();
    }
}

// The EXIF orientation that turns the stored picture as its irot (angle quarter turns anticlockwise), then
// its imir (mode 0: top and bottom exchanged, 1: left and right) do.
int orientation(const avifImage& image) {
    const int quarterTurns = image.transformFlags & AVIF_TRANSFORM_IROT ? image.irot.angle & 3 : 0;
    static constexpr int turned[4] = {1, 8, 3, 6};
    static constexpr int turnedThenTopBottom[4] = {4, 5, 2, 7};
    static constexpr int turnedThenLeftRight[4] = {2, 7, 4, 5};
    if (!(image.transformFlags & AVIF_TRANSFORM_IMIR))
        return turned[quarterTurns];
    return image.imir.mode == 0 ? turnedThenTopBottom[quarterTurns] : turnedThenLeftRight[quarterTurns];
}

void describe(const avifImage& image, DecodedPicture& decoded) {
    if (image.icc.size > 0)
        decoded.colour.iccProfile =
            QByteArray(reinterpret_cast<const char*>(image.icc.data), qsizetype(image.icc.size));
    decoded.colour.cicp = Cicp{int(image.colorPrimaries), int(image.transferCharacteristics)};
    decoded.orientation = orientation(image);
}

// The part of the coded picture its clean aperture keeps: all of it when it has none.
QRect cleanAperture(avifDecoder& decoder) {
    const avifImage& image = *decoder.image;
    if (!(image.transformFlags & AVIF_TRANSFORM_CLAP))
        return QRect(0, 0, int(image.width), int(image.height));
    avifCropRect crop;
    if (!avifCropRectConvertCleanApertureBox(&crop, &image.clap, image.width, image.height, image.yuvFormat,
                                             &decoder.diag))
        invalidPicture();
    return QRect(int(crop.x), int(crop.y), int(crop.width), int(crop.height));
}

// Turns the planes into pixels that start opaque, in bands on the load's cores where each pixel is turned
// from its own samples alone (no chroma shared between rows): a band is the picture's planes from its first
// row on, with its height.
void toRgb(const avifImage& image, const avifRGBImage& rgb, bool opaqueFirst, int cores) {
    const bool rowsApart =
        image.yuvFormat == AVIF_PIXEL_FORMAT_YUV444 || image.yuvFormat == AVIF_PIXEL_FORMAT_YUV400;
    std::mutex resultLock;
    avifResult result = AVIF_RESULT_OK;
    inBandsOfRows(int(image.height), rowsApart ? cores : 1, [&](int first, int end) {
        avifImage part = image; // sharing its planes, never destroyed
        part.height = quint32(end - first);
        for (int plane = 0; plane < AVIF_PLANE_COUNT_YUV; ++plane)
            if (part.yuvPlanes[plane])
                part.yuvPlanes[plane] += qsizetype(first) * image.yuvRowBytes[plane];
        if (part.alphaPlane)
            part.alphaPlane += qsizetype(first) * image.alphaRowBytes;
        avifRGBImage rows = rgb;
        rows.height = part.height;
        rows.pixels += qsizetype(first) * rgb.rowBytes;
        if (opaqueFirst)
            std::memset(rows.pixels, 0xFF, size_t(rows.rowBytes) * rows.height);
        const avifResult made = avifImageYUVToRGB(&part, &rows);
        const std::lock_guard lock(resultLock);
        if (result == AVIF_RESULT_OK)
            result = made;
    });
    check(result);
}

} // namespace

DecodedPicture AvifReader::decode(QIODevice& file, LoadBudget::Claim& claim, Progress&) {
    const QByteArray bytes = wholeFile(file, claim);
    if (const QSize declared = avifDeclaredSize(bytes); !declared.isEmpty())
        claim.budget().refuseIfTooLarge(declared, claim.bytes());
    const AvifDecoder decoder(avifDecoderCreate());
    if (!decoder)
        outOfMemory();
    decoder->strictFlags = AVIF_STRICT_ENABLED;
    // libavif's own guards against declared sizes, kept at their defaults; the budget judges the size
    // itself once the boxes are read.
    decoder->imageSizeLimit = AVIF_DEFAULT_IMAGE_SIZE_LIMIT;
    decoder->imageDimensionLimit = AVIF_DEFAULT_IMAGE_DIMENSION_LIMIT;
    decoder->ignoreExif = AVIF_TRUE;
    decoder->ignoreXMP = AVIF_TRUE;
    // dav1d's threads: frame tiles and rows side by side.
    decoder->maxThreads = claim.cores();
    check(avifDecoderSetIOMemory(decoder.get(), reinterpret_cast<const uint8_t*>(bytes.constData()),
                                 size_t(bytes.size())));
    check(avifDecoderParse(decoder.get()));

    const avifImage& coded = *decoder->image;
    const QSize codedSize(int(coded.width), int(coded.height));
    if (codedSize.isEmpty())
        invalidPicture();
    // The boxes describe the colours before a frame is decoded; the frame is described again once it is.
    DecodedPicture decoded;
    describe(coded, decoded);
    const bool deep = coded.depth > 8;
    const bool wide = deep && decoded.colour.keepsSixteenBits();
    const bool alpha = decoder->alphaPresent;
    const qint64 pixels = qint64(coded.width) * coded.height;
    const qint64 planes = pixels * (deep ? 2 : 1) * (alpha ? 4 : 3);
    const bool cropped = (coded.transformFlags & AVIF_TRANSFORM_CLAP) != 0;
    // The codec's frame and libavif's planes over it, then the whole coded picture where its clean
    // aperture is cut from it. Wide samples come in pixels of eight bytes, beside the final ones of four
    // the colour stage makes.
    const qint64 pixelBytes = wide ? 8 : 4;
    const qint64 whole = cropped ? pixels * pixelBytes : 0;
    const qint64 buffers = planes * 2 + whole;
    claim.budget().refuseIfTooLarge(codedSize, claim.bytes() + buffers + (wide ? pixels * 8 : 0));
    const QRect kept = cleanAperture(*decoder);

    decoded.image = finalPixels(kept.size(), wide, alpha, buffers, claim);
    check(avifDecoderNextImage(decoder.get()));
    const avifImage& image = *decoder->image;
    if (QSize(int(image.width), int(image.height)) != codedSize || image.depth != coded.depth)
        invalidPicture();
    describe(image, decoded);

    // Bytes in the order of RGB32 and ARGB32, or samples in that of RGBX64 and RGBA64, straight into the
    // final pixels unless a clean aperture cuts them. They start opaque: libavif leaves alpha alone where
    // the picture has none.
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, &image);
    rgb.alphaPremultiplied = AVIF_FALSE;
    rgb.format = wide ? AVIF_RGB_FORMAT_RGBA : AVIF_RGB_FORMAT_BGRA;
    rgb.depth = wide ? 16 : 8;
    // libyuv narrows deep samples to bytes less exactly than libavif's own conversion.
    rgb.avoidLibYUV = deep && !wide ? AVIF_TRUE : AVIF_FALSE;
    std::vector<uchar> uncut;
    if (cropped) {
        uncut.assign(size_t(whole), 0xFF);
        rgb.pixels = uncut.data();
        rgb.rowBytes = quint32(image.width * pixelBytes);
    } else {
        rgb.pixels = decoded.image.bits();
        rgb.rowBytes = quint32(decoded.image.bytesPerLine());
    }
    toRgb(image, rgb, !cropped, claim.cores());
    for (int y = 0; cropped && y < kept.height(); ++y)
        std::memcpy(decoded.image.scanLine(y),
                    uncut.data() + (kept.y() + y) * qsizetype(rgb.rowBytes) + kept.x() * pixelBytes,
                    size_t(kept.width() * pixelBytes));
    return decoded;
}

} // namespace picture

KESTRELLE_FORMAT_MODULE(picture::AvifReader)
