#include "FormatBaselines.h"
#include "OpenBench.h"

#include "desktop/Owned.h"

#include <QFile>
#include <QImage>
#include <QtEndian>

#include <ImfRgbaFile.h>
#include <ImfThreading.h>
#include <avif/avif.h>
#include <jxl/decode.h>
#include <jxl/thread_parallel_runner.h>
#include <libheif/heif.h>
#include <libraw/libraw.h>
// GLib names a member signals, which Qt has made a keyword.
#undef signals
#include <librsvg/rsvg.h>
#include <openjpeg.h>
#include <qoi.h>
#include <tiffio.h>
#include <webp/decode.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "picture/LoadBudget.h"

namespace baseline {

using desktop::Owned;

namespace {

[[noreturn]] void refused(const char* library, const QString& path) {
    throw std::runtime_error(std::string(library) + " refused " + path.toStdString());
}

// The threads the program's reader gets for a picture loaded alone.
int everyCore() {
    picture::LoadBudget alone(1);
    return alone.claim().cores();
}

} // namespace

// The file read and decoded into a new buffer of 32-bit pixels.
void webp(const QString& path) {
    const std::vector<unsigned char> bytes = readFile(path);
    int width = 0;
    int height = 0;
    if (!WebPGetInfo(bytes.data(), bytes.size(), &width, &height))
        refused("libwebp", path);
    const size_t stride = size_t(width) * 4;
    const auto pixels = std::make_unique_for_overwrite<uint8_t[]>(stride * size_t(height));
    if (!WebPDecodeBGRAInto(bytes.data(), bytes.size(), pixels.get(), stride * size_t(height), int(stride)))
        refused("libwebp", path);
    benchmark::DoNotOptimize(pixels.get());
}

// Every strip decoded, read through calls as the reader reads it rather than mapped, and its rows of
// 8-bit RGB widened plainly into a new buffer of 32-bit pixels: the work any reader of such a file does.
void tiff(const QString& path) {
    const desktop::Owned<TIFF, TIFFClose> tiff(TIFFOpen(path.toLocal8Bit().constData(), "rm"));
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t samples = 0;
    uint16_t bits = 0;
    if (!tiff || !TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height) ||
        !TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &samples) ||
        !TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits) || samples != 3 || bits != 8 ||
        TIFFIsTiled(tiff.get()))
        refused("libtiff", path);
    uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = std::min(rowsPerStrip, height);
    const size_t rowBytes = size_t(width) * 3;
    std::vector<unsigned char> strip(rowBytes * rowsPerStrip);
    const auto pixels = std::make_unique_for_overwrite<QRgb[]>(size_t(width) * height);
    for (uint32_t y = 0; y < height; y += rowsPerStrip) {
        const uint32_t rows = std::min(rowsPerStrip, height - y);
        if (TIFFReadEncodedStrip(tiff.get(), TIFFComputeStrip(tiff.get(), y, 0), strip.data(),
                                 tmsize_t(rowBytes * rows)) < 0)
            refused("libtiff", path);
        QRgb* to = pixels.get() + size_t(y) * width;
        for (const unsigned char* from = strip.data(); from < strip.data() + rowBytes * rows; from += 3)
            *to++ = qRgb(from[0], from[1], from[2]);
    }
    benchmark::DoNotOptimize(pixels.get());
}

// The file read and decoded into interleaved 8-bit RGB, a grid's tiles on every core.
void heif(const QString& path) {
    const std::vector<unsigned char> bytes = readFile(path);
    const desktop::Owned<heif_context, heif_context_free> context(heif_context_alloc());
    heif_context_set_max_decoding_threads(context.get(), everyCore());
    heif_image_handle* primary = nullptr;
    if (heif_context_read_from_memory_without_copy(context.get(), bytes.data(), bytes.size(), nullptr).code ||
        heif_context_get_primary_image_handle(context.get(), &primary).code)
        refused("libheif", path);
    const desktop::Owned<const heif_image_handle, heif_image_handle_release> handle(primary);
    heif_image* decoded = nullptr;
    if (heif_decode_image(primary, &decoded, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr).code)
        refused("libheif", path);
    const desktop::Owned<const heif_image, heif_image_release> image(decoded);
    int stride = 0;
    benchmark::DoNotOptimize(heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride));
}

// The file read and decoded, then its planes turned into a new buffer of 32-bit pixels. Parsed and decoded
// in place as the reader does: avifDecoderRead would also copy the planes into an image of the caller's.
void avifOn(const QString& path, int threads) {
    const std::vector<unsigned char> bytes = readFile(path);
    const desktop::Owned<avifDecoder, avifDecoderDestroy> decoder(avifDecoderCreate());
    decoder->maxThreads = threads;
    if (avifDecoderSetIOMemory(decoder.get(), bytes.data(), bytes.size()) != AVIF_RESULT_OK ||
        avifDecoderParse(decoder.get()) != AVIF_RESULT_OK ||
        avifDecoderNextImage(decoder.get()) != AVIF_RESULT_OK)
        refused("libavif", path);
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, decoder->image);
    rgb.format = AVIF_RGB_FORMAT_BGRA;
    rgb.depth = 8;
    avifRGBImageAllocatePixels(&rgb);
    const avifResult converted = avifImageYUVToRGB(decoder->image, &rgb);
    benchmark::DoNotOptimize(rgb.pixels);
    avifRGBImageFreePixels(&rgb);
    if (converted != AVIF_RESULT_OK)
        refused("libavif", path);
}

// The file read and decoded into a new buffer of RGBA bytes, on as many threads as the reader gives libjxl.
void jxl(const QString& path) {
    const std::vector<unsigned char> bytes = readFile(path);
    const desktop::Owned<JxlDecoder, JxlDecoderDestroy> decoder(JxlDecoderCreate(nullptr));
    const desktop::Owned<void, JxlThreadParallelRunnerDestroy> runner(
        JxlThreadParallelRunnerCreate(nullptr, JxlThreadParallelRunnerDefaultNumWorkerThreads()));
    JxlDecoder* jxl = decoder.get();
    if (JxlDecoderSetParallelRunner(jxl, JxlThreadParallelRunner, runner.get()) != JXL_DEC_SUCCESS ||
        JxlDecoderSubscribeEvents(jxl, JXL_DEC_FULL_IMAGE) != JXL_DEC_SUCCESS ||
        JxlDecoderSetInput(jxl, bytes.data(), bytes.size()) != JXL_DEC_SUCCESS)
        refused("libjxl", path);
    JxlDecoderCloseInput(jxl);
    const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    std::unique_ptr<uint8_t[]> pixels;
    for (;;) {
        switch (JxlDecoderProcessInput(jxl)) {
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            size_t size = 0;
            if (JxlDecoderImageOutBufferSize(jxl, &format, &size) != JXL_DEC_SUCCESS)
                refused("libjxl", path);
            pixels = std::make_unique_for_overwrite<uint8_t[]>(size);
            if (JxlDecoderSetImageOutBuffer(jxl, &format, pixels.get(), size) != JXL_DEC_SUCCESS)
                refused("libjxl", path);
            break;
        }
        case JXL_DEC_FULL_IMAGE:
            benchmark::DoNotOptimize(pixels.get());
            return;
        default:
            refused("libjxl", path);
        }
    }
}

// The file decoded into OpenJPEG's planes of 32-bit samples, read through its own file stream.
void jp2On(const QString& path, int threads) {
    const desktop::Owned<opj_codec_t, opj_destroy_codec> codec(opj_create_decompress(OPJ_CODEC_JP2));
    const desktop::Owned<opj_stream_t, opj_stream_destroy> stream(
        opj_stream_create_default_file_stream(path.toLocal8Bit().constData(), OPJ_TRUE));
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    opj_image_t* header = nullptr;
    if (!codec || !stream || !opj_setup_decoder(codec.get(), &parameters) ||
        !opj_codec_set_threads(codec.get(), threads) || !opj_read_header(stream.get(), codec.get(), &header))
        refused("OpenJPEG", path);
    const desktop::Owned<opj_image_t, opj_image_destroy> image(header);
    if (!opj_decode(codec.get(), stream.get(), image.get()) || !opj_end_decompress(codec.get(), stream.get()))
        refused("OpenJPEG", path);
    benchmark::DoNotOptimize(image->comps[0].data);
}

// The file read through OpenEXR's own stream into a new buffer of half-float RGBA, its chunks on `threads`.
void exrOn(const QString& path, int threads) {
    Imf::setGlobalThreadCount(threads > 1 ? threads : 0);
    Imf::RgbaInputFile input(path.toLocal8Bit().constData(), threads > 1 ? threads : 0);
    const Imath::Box2i window = input.dataWindow();
    const size_t width = size_t(window.max.x - window.min.x + 1);
    const size_t height = size_t(window.max.y - window.min.y + 1);
    const auto pixels = std::make_unique_for_overwrite<Imf::Rgba[]>(width * height);
    input.setFrameBuffer(Imf::ComputeBasePointer(pixels.get(), window), 1, width);
    input.readPixels(window.min.y, window.max.y);
    benchmark::DoNotOptimize(pixels.get());
}

// The file read and developed as the reader develops it: the camera's white balance, AHD demosaicking and
// sRGB at 8 bits, unturned.
void raw(const QString& path) {
    std::vector<unsigned char> bytes = readFile(path);
    const auto raw =
        std::make_unique<LibRaw>(LIBRAW_OPIONS_NO_MEMERR_CALLBACK | LIBRAW_OPIONS_NO_DATAERR_CALLBACK);
    if (raw->open_buffer(bytes.data(), bytes.size()) != LIBRAW_SUCCESS)
        refused("LibRaw", path);
    libraw_output_params_t& params = raw->imgdata.params;
    params.user_flip = 0;
    params.use_camera_wb = 1;
    params.user_qual = 3;
    params.output_color = 1;
    params.output_bps = 8;
    if (raw->unpack() != LIBRAW_SUCCESS || raw->dcraw_process() != LIBRAW_SUCCESS)
        refused("LibRaw", path);
    benchmark::DoNotOptimize(raw->imgdata.image);
}

// The file read and drawn into a new transparent cairo surface of the document's size, at 96 dots an inch.
void svg(const QString& path) {
    const std::vector<unsigned char> bytes = readFile(path);
    const desktop::Owned<RsvgHandle, g_object_unref> handle(
        rsvg_handle_new_from_data(bytes.data(), bytes.size(), nullptr));
    if (!handle)
        refused("librsvg", path);
    rsvg_handle_set_dpi(handle.get(), 96);
    double width = 0;
    double height = 0;
    if (!rsvg_handle_get_intrinsic_size_in_pixels(handle.get(), &width, &height))
        refused("librsvg", path);
    const desktop::Owned<cairo_surface_t, cairo_surface_destroy> surface(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(width), int(height)));
    const desktop::Owned<cairo_t, cairo_destroy> context(cairo_create(surface.get()));
    const RsvgRectangle viewport{0, 0, width, height};
    if (!rsvg_handle_render_document(handle.get(), context.get(), &viewport, nullptr))
        refused("librsvg", path);
    benchmark::DoNotOptimize(cairo_image_surface_get_data(surface.get()));
}

// The file read and decoded into a new buffer of RGBA bytes.
void qoi(const QString& path) {
    const std::vector<unsigned char> bytes = readFile(path);
    qoi_desc description;
    const desktop::Owned<void, std::free> pixels(
        qoi_decode(bytes.data(), int(bytes.size()), &description, 4));
    if (!pixels)
        refused("libqoi", path);
    benchmark::DoNotOptimize(pixels.get());
}

// PSD has no library of its own. The least any reader of an RGB PSD of PackBits rows does: skip to the
// merged picture (past the layers, which hold the picture once more), read it, unpack each channel's rows
// and lay the three channels together as 32-bit pixels.
void packBitsPsd(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        refused("open", path);
    const QByteArray header = file.read(26);
    const auto bigEndian32 = [&file] {
        const QByteArray bytes = file.read(4);
        return bytes.size() == 4 ? qFromBigEndian<quint32>(bytes.constData()) : 0;
    };
    for (int section = 0; section < 3; ++section) { // colour mode data, resources, layers
        const quint32 length = bigEndian32();
        file.seek(file.pos() + length);
    }
    const QByteArray data = file.readAll();
    if (header.size() != 26 || qFromBigEndian<quint16>(header.constData() + 12) != 3 || data.size() < 2 ||
        qFromBigEndian<quint16>(data.constData()) != 1)
        refused("PackBits", path);
    const int height = int(qFromBigEndian<quint32>(header.constData() + 14));
    const int width = int(qFromBigEndian<quint32>(header.constData() + 18));
    const auto* packed = reinterpret_cast<const uchar*>(data.constData()) + 2 + 3 * 2 * height;
    const uchar* end = reinterpret_cast<const uchar*>(data.constData()) + data.size();
    const auto pixels = std::make_unique_for_overwrite<uchar[]>(size_t(width) * height * 4);
    std::vector<uchar> row(size_t(width) + 128);
    for (int channel = 0; channel < 3; ++channel) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width && packed < end;) {
                const int count = static_cast<signed char>(*packed++);
                if (end - packed < (count >= 0 ? count + 1 : 1))
                    refused("PackBits", path);
                if (count >= 0) {
                    std::copy_n(packed, count + 1, row.begin() + x);
                    packed += count + 1;
                    x += count + 1;
                } else if (count != -128) {
                    std::fill_n(row.begin() + x, 1 - count, *packed++);
                    x += 1 - count;
                }
            }
            uchar* to = pixels.get() + (size_t(y) * width) * 4 + 2 - channel; // blue, green, red, alpha
            for (int x = 0; x < width; ++x, to += 4) {
                *to = row[size_t(x)];
                if (channel == 0)
                    to[1] = 0xFF;
            }
        }
    }
    benchmark::DoNotOptimize(pixels.get());
}

void avif(const QString& path) {
    avifOn(path, everyCore());
}

void avifOnOneThread(const QString& path) {
    avifOn(path, 1);
}

void jp2(const QString& path) {
    jp2On(path, everyCore());
}

void jp2OnOneThread(const QString& path) {
    jp2On(path, 1);
}

void exr(const QString& path) {
    exrOn(path, everyCore());
}

void exrOnOneThread(const QString& path) {
    exrOn(path, 1);
}

} // namespace baseline
