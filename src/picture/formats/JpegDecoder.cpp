#include "picture/formats/JpegDecoder.h"

#include "picture/PictureFailures.h"
#include "picture/formats/ExifOrientation.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

#include <jerror.h>
#include <jpeglib.h>

namespace picture {

namespace {

constexpr qint64 chunkSize = 64 * 1024;
constexpr int rowsPerCall = 16;
constexpr int coefficientBytesPerBlock = DCTSIZE2 * sizeof(JCOEF);
// Room for libjpeg's own tables and row buffers beside the whole-image buffers it is allowed.
constexpr long workingMemory = 64L * 1024 * 1024;
constexpr char exifPrefix[] = "Exif\0";

struct Session {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    std::jmp_buf jump{};
    int failure = 0; // libjpeg's message code for what stopped the decode
    jpeg_source_mgr source{};
    QIODevice* file = nullptr;
    JOCTET chunk[chunkSize];
    jpeg_progress_mgr progress{};

    ~Session() { jpeg_destroy_decompress(&info); }
};

Session& session(j_common_ptr info) {
    return *static_cast<Session*>(info->client_data);
}

[[noreturn]] void stop(j_common_ptr info) {
    Session& s = session(info);
    s.failure = info->err->msg_code;
    std::longjmp(s.jump, 1);
}

// Warnings mean damage, libjpeg having patched over it (a bad code, data ending early, stray bytes), and
// stop the decode too. Only a JFIF revision number this libjpeg does not know passes.
void emitMessage(j_common_ptr info, int level) {
    const int code = info->err->msg_code;
    if (level < 0 && code != JWRN_JFIF_MAJOR)
        stop(info);
}

void initSource(j_decompress_ptr) {}

boolean fillInput(j_decompress_ptr info) {
    Session& s = session(reinterpret_cast<j_common_ptr>(info));
    const qint64 read = s.file->read(reinterpret_cast<char*>(s.chunk), chunkSize);
    if (read <= 0)
        ERREXIT(info, JERR_INPUT_EOF);
    s.source.next_input_byte = s.chunk;
    s.source.bytes_in_buffer = size_t(read);
    return TRUE;
}

// Skipped segments are passed over in the file rather than read.
void skipInput(j_decompress_ptr info, long count) {
    Session& s = session(reinterpret_cast<j_common_ptr>(info));
    if (count <= 0)
        return;
    if (size_t(count) <= s.source.bytes_in_buffer) {
        s.source.next_input_byte += count;
        s.source.bytes_in_buffer -= size_t(count);
        return;
    }
    const qint64 target = s.file->pos() + (count - qint64(s.source.bytes_in_buffer));
    s.source.bytes_in_buffer = 0;
    if (target > s.file->size() || !s.file->seek(target))
        ERREXIT(info, JERR_INPUT_EOF);
}

void termSource(j_decompress_ptr) {}

// libjpeg reads every scan of a progressive file before the first row; thousands of them would keep it
// busy for a minute.
void countScans(j_common_ptr info) {
    Session& s = session(info);
    if (s.info.input_scan_number > JpegDecoder::maxScans)
        stop(info);
}

// Each guarded step holds nothing that needs destroying, so libjpeg's errors can jump out of it.
bool create(Session& s) {
    s.info.err = jpeg_std_error(&s.errors);
    s.errors.error_exit = stop;
    s.errors.emit_message = emitMessage;
    s.info.client_data = &s;
    if (setjmp(s.jump))
        return false;
    jpeg_create_decompress(&s.info);
    return true;
}

void prepare(Session& s, QIODevice& file) {
    s.file = &file;
    s.source.init_source = initSource;
    s.source.fill_input_buffer = fillInput;
    s.source.skip_input_data = skipInput;
    s.source.resync_to_restart = jpeg_resync_to_restart;
    s.source.term_source = termSource;
    s.info.src = &s.source;
    s.progress.progress_monitor = countScans;
    s.info.progress = &s.progress;
    jpeg_save_markers(&s.info, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(&s.info, JPEG_APP0 + 2, 0xFFFF);
}

bool readHeader(Session& s) {
    if (setjmp(s.jump))
        return false;
    jpeg_read_header(&s.info, TRUE);
    return true;
}

bool start(Session& s) {
    if (setjmp(s.jump))
        return false;
    jpeg_start_decompress(&s.info);
    return true;
}

// rowsDone hears of each band of rows as it is decoded, top first.
bool readRows(Session& s, uchar* bits, qsizetype stride,
              const std::function<void(int first, int end)>& rowsDone) {
    if (setjmp(s.jump))
        return false;
    JSAMPROW rows[rowsPerCall];
    while (s.info.output_scanline < s.info.output_height) {
        const JDIMENSION first = s.info.output_scanline;
        const JDIMENSION count = qMin<JDIMENSION>(rowsPerCall, s.info.output_height - first);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = bits + qsizetype(first + i) * stride;
        jpeg_read_scanlines(&s.info, rows, count);
        rowsDone(int(first), int(s.info.output_scanline));
    }
    jpeg_finish_decompress(&s.info);
    return true;
}

bool readProfile(Session& s, JOCTET** profile, unsigned* length) {
    if (setjmp(s.jump))
        return false;
    jpeg_read_icc_profile(&s.info, profile, length);
    return true;
}

[[noreturn]] void fail(const Session& s) {
    if (s.failure == JERR_OUT_OF_MEMORY || s.failure == JERR_NO_BACKING_STORE)
        outOfMemory();
    invalidPicture();
}

// Files of several scans are gathered whole as coefficients before the first row comes out.
qint64 coefficientBytes(const jpeg_decompress_struct& info) {
    if (!info.progressive_mode && info.comps_in_scan >= info.num_components)
        return 0;
    qint64 bytes = 0;
    for (int c = 0; c < info.num_components; ++c) {
        const jpeg_component_info& component = info.comp_info[c];
        const auto roundUp = [](qint64 value, qint64 step) { return (value + step - 1) / step * step; };
        bytes += roundUp(component.width_in_blocks, component.h_samp_factor) *
                 roundUp(component.height_in_blocks, component.v_samp_factor) * coefficientBytesPerBlock;
    }
    return bytes;
}

// A sequential Huffman-coded file spends at least two bits on every block: its DC difference and the end
// of its AC coefficients. A file too short for that breaks off early, which is found here rather than
// after the pixels have been allocated.
bool tooShortForItsBlocks(const jpeg_decompress_struct& info, qint64 fileSize) {
    if (info.progressive_mode || info.arith_code)
        return false;
    qint64 blocks = 0;
    for (int c = 0; c < info.num_components; ++c)
        blocks += qint64(info.comp_info[c].width_in_blocks) * info.comp_info[c].height_in_blocks;
    return fileSize < blocks / 4;
}

int orientation(const jpeg_decompress_struct& info) {
    for (jpeg_saved_marker_ptr marker = info.marker_list; marker; marker = marker->next) {
        const QByteArrayView data(marker->data, marker->data_length);
        if (marker->marker == JPEG_APP0 + 1 && data.startsWith(QByteArrayView(exifPrefix, 6)))
            return ExifOrientation::read(data.sliced(6));
    }
    return 1;
}

// Adobe's CMYK files store each ink inverted, 255 meaning none.
void undoInversion(QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        auto* pixel = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            pixel[x] = ~pixel[x];
    }
}

} // namespace

DecodedPicture JpegDecoder::decode(QIODevice& file, LoadBudget::Claim& claim, Progress& progress) {
    const auto s = std::make_unique<Session>();
    if (!create(*s))
        fail(*s);
    prepare(*s, file);
    if (!readHeader(*s)) {
        // A size the frame declared is judged even when the file breaks off after it.
        if (s->info.image_width > 0 && s->info.image_height > 0)
            claim.budget().refuseIfTooLarge(QSize(int(s->info.image_width), int(s->info.image_height)));
        fail(*s);
    }
    const QSize size(int(s->info.image_width), int(s->info.image_height));
    const qint64 coefficients = coefficientBytes(s->info);
    claim.budget().refuseIfTooLarge(size, claim.bytes() + coefficients);
    if (tooShortForItsBlocks(s->info, file.size()))
        invalidPicture();

    // The saved markers go with the first pass, so they are read before it.
    DecodedPicture decoded;
    JOCTET* profile = nullptr;
    unsigned length = 0;
    const bool profileRead = readProfile(*s, &profile, &length);
    const std::unique_ptr<JOCTET, decltype(&std::free)> owned(profile, &std::free);
    if (!profileRead)
        fail(*s);
    decoded.colour.iccProfile = QByteArray(reinterpret_cast<const char*>(profile), qsizetype(length));
    decoded.orientation = orientation(s->info);
    decoded.cmyk = s->info.jpeg_color_space == JCS_CMYK || s->info.jpeg_color_space == JCS_YCCK;
    s->info.out_color_space = decoded.cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    s->info.mem->max_memory_to_use = long(coefficients) + workingMemory;
    decoded.image = claim.rgb32(size.width(), size.height(), coefficients);
    // Adobe's inverted inks are undone only when the whole picture is read, so their rows are not final
    // before then.
    const bool inverted = decoded.cmyk && s->info.saw_Adobe_marker;
    const auto rowsDone = [&](int first, int end) {
        if (!inverted)
            progress.decoded(decoded, QRect(0, first, size.width(), end - first));
    };
    if (!start(*s) || !readRows(*s, decoded.image.bits(), decoded.image.bytesPerLine(), rowsDone))
        fail(*s);
    if (inverted)
        undoInversion(decoded.image);

    return decoded;
}

} // namespace picture
