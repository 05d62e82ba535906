#include "picture/formats/modules/raw/RawReader.h"

#include "picture/FormatSignatures.h"
#include "picture/ModuleNames.h"
#include "picture/PictureFailures.h"
#include "picture/RowBands.h"
#include "picture/formats/FormatModule.h"
#include "picture/formats/TiffDirectory.h"
#include "picture/formats/WholeFile.h"

#include <algorithm>
#include <memory>
#include <vector>

#include <libraw/libraw.h>

namespace picture {

namespace {

// The file in memory, noting any read LibRaw makes past its end: the mark of a file cut short.
class FileBytes : public LibRaw_buffer_datastream {
public:
    explicit FileBytes(QByteArray& bytes) : LibRaw_buffer_datastream(bytes.data(), size_t(bytes.size())) {}

    int read(void* to, size_t size, size_t count) override {
        ranOut_ = ranOut_ || qint64(size * count) > this->size() - tell();
        return LibRaw_buffer_datastream::read(to, size, count);
    }
    int get_char() override {
        const int byte = LibRaw_buffer_datastream::get_char();
        ranOut_ = ranOut_ || byte < 0;
        return byte;
    }
    bool ranOut() const { return ranOut_; }
    void forgetRunningOut() { ranOut_ = false; }

private:
    bool ranOut_ = false;
};

// named: the file's signature says it is a camera's, so that LibRaw failing on it means damage; a file
// with none comes here only for LibRaw to know it by its size, and what LibRaw cannot open, no one knows.
void refuse(int status, const FileBytes& bytes, bool named = true) {
    switch (status) {
    case LIBRAW_SUCCESS:
        return;
    case LIBRAW_UNSUFFICIENT_MEMORY:
    case LIBRAW_MEMPOOL_OVERFLOW:
        outOfMemory();
    case LIBRAW_FILE_UNSUPPORTED:
    case LIBRAW_NOT_IMPLEMENTED:
    case LIBRAW_REQUEST_FOR_NONEXISTENT_IMAGE:
        // What LibRaw cannot name may be a camera it does not know, or the start of a file cut short.
        if (!bytes.ranOut() || !named)
            unsupportedFormat();
        invalidPicture();
    default:
        if (!named)
            unsupportedFormat();
        invalidPicture();
    }
}

// LibRaw's flip (dcraw's bits: 4 transposes, 2 turns upside down, 1 mirrors; or degrees) as EXIF names it.
int exifOrientation(int flip) {
    switch ((flip + 3600) % 360) {
    case 270:
        return 8;
    case 180:
        return 3;
    case 90:
        return 6;
    }
    constexpr int exif[8] = {1, 2, 4, 3, 5, 8, 6, 7};
    return flip >= 0 && flip < 8 ? exif[flip] : 1;
}

// What LibRaw allocates besides the final pixels: the raw samples (one a photosite behind a colour filter
// array, four otherwise), the four 16-bit channels it develops, a second set of them where it turns or
// stretches the picture to its output size, and the demosaicking's tiles and histogram.
qint64 developingBytes(const libraw_data_t& data, QSize output) {
    const libraw_image_sizes_t& sizes = data.sizes;
    const bool mosaic = data.idata.filters != 0 || data.idata.colors == 1;
    const qint64 raw = qint64(sizes.raw_width) * (sizes.raw_height + 8) * (mosaic ? 2 : 8);
    const qint64 channels = qint64(sizes.width) * sizes.height * 8;
    const bool reshaped = output != QSize(sizes.width, sizes.height);
    const qint64 reshapedChannels = reshaped ? qint64(output.width()) * output.height() * 8 : 0;
    constexpr qint64 tilesAndHistogram = 26 * 512 * 512 + 0x2000 * 4 * 4;
    return raw + channels + reshapedChannels + tilesAndHistogram;
}

// LibRaw, its developed picture written straight into the final one: the 8-bit output of its own copy
// (the same curve, to the same white point, read from the same histogram), but four bytes a pixel and on
// every core, where its copy writes three on one core and leaves the widening to a second pass.
class DevelopedRaw : public LibRaw {
public:
    DevelopedRaw() : LibRaw(LIBRAW_OPIONS_NO_MEMERR_CALLBACK | LIBRAW_OPIONS_NO_DATAERR_CALLBACK) {}

    // For a developed picture that is not turned, one or three colours.
    void writeInto(QImage& picture) {
        const libraw_image_sizes_t& sizes = imgdata.sizes;
        const libraw_output_params_t& params = imgdata.params;
        const int colours = imgdata.idata.colors;
        if (const auto histogram = libraw_internal_data.output_data.histogram) {
            // The white point: the brightest level that more than the given share of a colour's pixels reach.
            int share = int(sizes.width * sizes.height * params.auto_bright_thr);
            if (libraw_internal_data.internal_output_params.fuji_width)
                share /= 2;
            int white = 0x2000;
            if (!((params.highlight & ~2) || params.no_auto_bright)) {
                white = 0;
                for (int c = 0; c < colours; ++c) {
                    int level = 0x2000;
                    for (int total = 0; --level > 32;)
                        if ((total += histogram[c][level]) > share)
                            break;
                    white = std::max(white, level);
                }
            }
            gamma_curve(params.gamm[0], params.gamm[1], 2, int((white << 3) / params.bright));
        }
        const ushort* const curve = imgdata.color.curve;
        const ushort(*const developed)[4] = imgdata.image;
        const int width = sizes.width;
        const int green = colours == 3 ? 1 : 0;
        const int blue = colours == 3 ? 2 : 0;
        const qsizetype stride = picture.bytesPerLine();
        // Taken once here: scanLine() on several threads would each ask whether the picture must be copied.
        uchar* const pixels = picture.bits();
        inRowBands(sizes.height, qint64(width) * sizes.height, [&](int first, int end) {
            for (int y = first; y < end; ++y) {
                auto* row = reinterpret_cast<QRgb*>(pixels + y * stride);
                const ushort(*from)[4] = developed + qsizetype(y) * width;
                for (int x = 0; x < width; ++x)
                    row[x] =
                        qRgb(curve[from[x][0]] >> 8, curve[from[x][green]] >> 8, curve[from[x][blue]] >> 8);
            }
        });
    }
};

// LibRaw 0.20 trusts the directories of TIFF-based raw files and reads past their end on some damaged
// ones, to the point of crashing. So every entry of the main directories and their sub-directories must
// have a known type and lie inside the file before LibRaw sees it.
void refuseDamagedDirectories(const QByteArray& bytes) {
    ByteCursor in(bytes);
    const std::optional<qint64> first = TiffDirectory::first(in);
    if (!first)
        return;
    constexpr int mostDirectories = 64;
    std::vector<qint64> directories{*first};
    for (int walked = 0; !directories.empty() && walked < mostDirectories; ++walked) {
        const qint64 directory = directories.back();
        directories.pop_back();
        const qint64 next = TiffDirectory::walk(in, directory, [&](const TiffEntry& entry) {
            if (entry.bytes < 0 || entry.valueAt + entry.bytes > in.size())
                invalidPicture();
            // Sub-directories and the Exif directory, whose offsets LibRaw follows too.
            if ((entry.tag == 330 || entry.tag == 34665) && (entry.type == 4 || entry.type == 13))
                for (quint32 i = 0; i < entry.count && i < 16; ++i)
                    directories.push_back(in.at(entry.valueAt + 4 * qint64(i)).u32());
            return true;
        });
        if (in.overrun())
            invalidPicture();
        if (next != 0)
            directories.push_back(next);
    }
}

} // namespace

DecodedPicture RawReader::decode(QIODevice& file, LoadBudget::Claim& claim, Progress&) {
    const bool named = FormatSignatures::recognise(file).name == QLatin1String(moduleName::raw);
    QByteArray bytes = wholeFile(file, claim);
    refuseDamagedDirectories(bytes);
    FileBytes stream(bytes);
    const auto raw = std::make_unique<DevelopedRaw>();
    libraw_data_t& data = raw->imgdata;
    refuse(raw->open_datastream(&stream), stream, named);
    stream.forgetRunningOut();

    DecodedPicture decoded;
    decoded.orientation = exifOrientation(data.sizes.flip);
    // The orientation stage turns the picture, so LibRaw does not.
    data.params.user_flip = 0;
    data.sizes.flip = 0;
    data.params.use_camera_wb = 1;
    data.params.user_qual = 3;
    data.params.output_color = 1;
    data.params.output_bps = 8;

    int width = 0;
    int height = 0;
    int colours = 0;
    int bits = 0;
    raw->get_mem_image_format(&width, &height, &colours, &bits);
    const QSize size(width, height);
    if (size.isEmpty() || data.sizes.raw_width == 0 || data.sizes.raw_height == 0)
        invalidPicture();
    const qint64 developing = developingBytes(data, size);
    claim.budget().refuseIfTooLarge(size, claim.bytes() + developing);
    decoded.image = claim.rgb32(width, height, developing);

    refuse(raw->unpack(), stream);
    if (stream.ranOut() || raw->error_count() > 0)
        invalidPicture();
    refuse(raw->dcraw_process(), stream);
    if (raw->error_count() > 0)
        invalidPicture();
    // The developed size can only be the one judged above.
    raw->get_mem_image_format(&width, &height, &colours, &bits);
    if (QSize(width, height) != size || (colours != 1 && colours != 3))
        invalidPicture();
    raw->writeInto(decoded.image);
    return decoded;
}

} // namespace picture

KESTRELLE_FORMAT_MODULE(picture::RawReader)
