#include "picture/formats/PngReader.h"

#include "picture/PictureFailures.h"
#include "picture/formats/ExifOrientation.h"
#include "picture/formats/FinalPixels.h"

#include <csetjmp>
#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>

#include <png.h>

namespace picture {

namespace {

constexpr png_uint_32 noLimit = std::numeric_limits<png_int_32>::max();

struct Session {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::jmp_buf jump{};
    QIODevice* file = nullptr;
    // libpng was refused memory: the error that follows is that, whatever its words.
    bool outOfMemory = false;

    ~Session() { png_destroy_read_struct(&png, &info, nullptr); }
};

Session& session(png_structp png) {
    return *static_cast<Session*>(png_get_error_ptr(png));
}

[[noreturn]] void stop(png_structp png, png_const_charp) {
    std::longjmp(session(png).jump, 1);
}

png_voidp allocate(png_structp png, png_alloc_size_t size) {
    png_voidp block = std::malloc(size);
    if (!block)
        static_cast<Session*>(png_get_mem_ptr(png))->outOfMemory = true;
    return block;
}

void release(png_structp, png_voidp block) {
    std::free(block);
}

[[noreturn]] void fail(const Session& s) {
    if (s.outOfMemory)
        outOfMemory();
    invalidPicture();
}

void readData(png_structp png, png_bytep data, size_t length) {
    QIODevice& file = *static_cast<QIODevice*>(png_get_io_ptr(png));
    if (file.read(reinterpret_cast<char*>(data), qint64(length)) != qint64(length))
        png_error(png, "file ends early");
}

// Each guarded step holds nothing that needs destroying, so libpng's errors can jump out of it.
bool readInfo(Session& s) {
    if (setjmp(s.jump))
        return false;
    png_set_read_fn(s.png, s.file, readData);
    png_set_benign_errors(s.png, 0);
    png_set_crc_action(s.png, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
    // The check that names profiles known to be slightly wrong only warns about their meaning.
    png_set_option(s.png, PNG_SKIP_sRGB_CHECK_PROFILE, PNG_OPTION_ON);
    png_set_user_limits(s.png, noLimit, noLimit);
    png_read_info(s.png, s.info);
    return true;
}

// Every source layout becomes blue, green, red and alpha (or 255) bytes: RGB32 or ARGB32 in memory; or,
// wide, native 16-bit red, green, blue and alpha (or 65535) samples: RGBX64 or RGBA64.
bool setUpTransforms(Session& s, bool wide, int* passes, bool* alpha) {
    if (setjmp(s.jump))
        return false;
    png_set_expand(s.png);
    if (!wide) {
        png_set_scale_16(s.png);
        png_set_bgr(s.png);
    } else if (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
        png_set_swap(s.png);
    }
    png_set_gray_to_rgb(s.png);
    *passes = png_set_interlace_handling(s.png);
    *alpha = (png_get_color_type(s.png, s.info) & PNG_COLOR_MASK_ALPHA) ||
             png_get_valid(s.png, s.info, PNG_INFO_tRNS);
    if (!*alpha)
        png_set_filler(s.png, wide ? 0xFFFF : 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(s.png, s.info);
    return true;
}

// An interlaced file fills each row over several passes; each pass writes only its own pixels, so only
// the rows of a file of one pass are final as they come, a band at a time.
bool readRows(Session& s, int passes, uchar* bits, qsizetype stride, int height,
              const std::function<void(int first, int end)>& rowsDone) {
    if (setjmp(s.jump))
        return false;
    constexpr int rowsPerBand = 16;
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < height; ++y) {
            png_read_row(s.png, bits + y * stride, nullptr);
            if (passes == 1 && ((y + 1) % rowsPerBand == 0 || y + 1 == height))
                rowsDone(y - y % rowsPerBand, y + 1);
        }
    png_read_end(s.png, nullptr);
    return true;
}

void describeColour(const Session& s, DecodedPicture& decoded) {
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 length = 0;
    if (png_get_iCCP(s.png, s.info, &name, &compression, &profile, &length))
        decoded.colour.iccProfile = QByteArray(reinterpret_cast<const char*>(profile), qsizetype(length));
    double gamma = 0;
    if (png_get_gAMA(s.png, s.info, &gamma))
        decoded.colour.fileGamma = gamma;
    Chromaticities c{};
    if (png_get_cHRM(s.png, s.info, &c.whiteX, &c.whiteY, &c.redX, &c.redY, &c.greenX, &c.greenY, &c.blueX,
                     &c.blueY))
        decoded.colour.chromaticities = c;
    int intent = 0;
    decoded.colour.srgb = png_get_sRGB(s.png, s.info, &intent);
    png_bytep exif = nullptr;
    png_uint_32 exifLength = 0;
    if (png_get_eXIf_1(s.png, s.info, &exifLength, &exif))
        decoded.orientation = ExifOrientation::read(QByteArrayView(exif, qsizetype(exifLength)));
}

} // namespace

DecodedPicture PngReader::decode(QIODevice& file, LoadBudget::Claim& claim, Progress& progress) {
    const auto s = std::make_unique<Session>();
    s->file = &file;
    s->png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, s.get(), stop, stop, s.get(), allocate, release);
    if (s->png)
        s->info = png_create_info_struct(s->png);
    if (!s->info)
        outOfMemory();
    const bool infoRead = readInfo(*s);
    // A size the header declared is judged even when the file breaks off after it.
    const QSize size(int(png_get_image_width(s->png, s->info)), int(png_get_image_height(s->png, s->info)));
    // A PNG may be millions of pixels wide; libpng then keeps rows as long as a picture: the row as
    // stored, the one before it for the filters, and the row it transforms.
    const qint64 rowBuffers = 2 * qint64(png_get_rowbytes(s->png, s->info)) + qint64(size.width()) * 8;
    DecodedPicture decoded;
    const Progress::Lease lease(progress);
    describeColour(*s, decoded);
    const bool wide = png_get_bit_depth(s->png, s->info) == 16 && decoded.colour.keepsSixteenBits();
    const qint64 widePixels = wide ? qint64(size.width()) * size.height() * 8 : 0;
    if (!size.isEmpty())
        claim.budget().refuseIfTooLarge(size, claim.bytes() + rowBuffers + widePixels);
    if (!infoRead)
        fail(*s);

    int passes = 1;
    bool alpha = false;
    if (!setUpTransforms(*s, wide, &passes, &alpha) ||
        png_get_rowbytes(s->png, s->info) != size_t(size.width()) * (wide ? 8 : 4))
        fail(*s);
    decoded.image = finalPixels(size, wide, alpha, rowBuffers, claim);
    const auto rowsDone = [&](int first, int end) {
        progress.decoded(decoded, QRect(0, first, size.width(), end - first));
    };
    if (!readRows(*s, passes, decoded.image.bits(), decoded.image.bytesPerLine(), size.height(), rowsDone))
        fail(*s);
    return decoded;
}

} // namespace picture
