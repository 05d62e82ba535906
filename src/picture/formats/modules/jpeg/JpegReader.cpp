#include "picture/formats/modules/jpeg/JpegReader.h"

#include "desktop/Owned.h"
#include "picture/PictureFailures.h"
#include "picture/RowBands.h"
#include "picture/formats/ExifOrientation.h"
#include "picture/formats/FormatModule.h"
#include "picture/formats/WholeFile.h"
#include "picture/formats/modules/jpeg/JpegBandStream.h"
#include "picture/formats/modules/jpeg/JpegBands.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

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
// A band's decoder holds rows of iMCUs of its own: the one it decodes, its neighbours for the chroma
// between them, and a row it throws away; a few rows of the first decoder go uncounted, as always.
constexpr int bandBufferIMcuRows = 3;

struct Session {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    std::jmp_buf jump{};
    int failure = 0; // libjpeg's message code for what stopped the decode
    jpeg_source_mgr source{};
    QIODevice* file = nullptr;
    JpegBandStream* band = nullptr; // read instead of the file by a band's decoder
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

boolean fillBand(j_decompress_ptr info) {
    Session& s = session(reinterpret_cast<j_common_ptr>(info));
    const QByteArrayView piece = s.band->next();
    if (piece.isEmpty())
        ERREXIT(info, JERR_INPUT_EOF);
    s.source.next_input_byte = reinterpret_cast<const JOCTET*>(piece.data());
    s.source.bytes_in_buffer = size_t(piece.size());
    return TRUE;
}

void skipBand(j_decompress_ptr info, long count) {
    Session& s = session(reinterpret_cast<j_common_ptr>(info));
    while (count > long(s.source.bytes_in_buffer)) {
        count -= long(s.source.bytes_in_buffer);
        fillBand(info);
    }
    if (count <= 0)
        return;
    s.source.next_input_byte += count;
    s.source.bytes_in_buffer -= size_t(count);
}

void termSource(j_decompress_ptr) {}

// libjpeg reads every scan of a progressive file before the first row; thousands of them would keep it
// busy for a minute.
void countScans(j_common_ptr info) {
    Session& s = session(info);
    if (s.info.input_scan_number > JpegReader::maxScans)
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

void setSource(Session& s, boolean (*fill)(j_decompress_ptr), void (*skip)(j_decompress_ptr, long)) {
    s.source.init_source = initSource;
    s.source.fill_input_buffer = fill;
    s.source.skip_input_data = skip;
    s.source.resync_to_restart = jpeg_resync_to_restart;
    s.source.term_source = termSource;
    s.info.src = &s.source;
}

void prepare(Session& s, QIODevice& file) {
    s.file = &file;
    setSource(s, fillInput, skipInput);
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

// The `count` rows after the first `discard` go to `bits`; `toTheEnd` reads on to the file's end marker.
// rowsDone hears of each batch of rows as it is decoded, counted from `bits`.
using RowsDone = std::function<void(int first, int end)>;
bool readRows(Session& s, JDIMENSION discard, JDIMENSION count, uchar* bits, qsizetype stride, bool toTheEnd,
              const RowsDone& rowsDone) {
    if (setjmp(s.jump))
        return false;
    if (discard > 0) {
        JSAMPARRAY scratch =
            s.info.mem->alloc_sarray(reinterpret_cast<j_common_ptr>(&s.info), JPOOL_IMAGE,
                                     s.info.output_width * JDIMENSION(s.info.output_components), 1);
        while (s.info.output_scanline < discard)
            jpeg_read_scanlines(&s.info, scratch, 1);
    }
    JSAMPROW rows[rowsPerCall];
    const JDIMENSION end = discard + count;
    while (s.info.output_scanline < end) {
        const JDIMENSION first = s.info.output_scanline;
        const JDIMENSION batch = qMin<JDIMENSION>(rowsPerCall, end - first);
        for (JDIMENSION i = 0; i < batch; ++i)
            rows[i] = bits + qsizetype(first - discard + i) * stride;
        jpeg_read_scanlines(&s.info, rows, batch);
        rowsDone(int(first - discard), int(s.info.output_scanline - discard));
    }
    if (toTheEnd)
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
    // Processes and precisions the standard has but this libjpeg was not built for: 12-bit samples,
    // lossless and hierarchical frames.
    const bool standardPrecision = s.info.data_precision == 12 || s.info.data_precision == 16;
    if ((s.failure == JERR_BAD_PRECISION && standardPrecision) || s.failure == JERR_SOF_UNSUPPORTED)
        unsupportedFormat();
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

// The buffers of the decoders beside the first.
qint64 bandBuffers(const jpeg_decompress_struct& info, size_t bands) {
    return qint64(std::max<size_t>(bands, 1) - 1) * info.image_width * 4 * bandBufferIMcuRows *
           info.max_v_samp_factor * DCTSIZE;
}

// A band's decoder, reading its own view of the file held whole.
struct BandDecoder {
    BandDecoder(const QByteArray& file, const JpegBand& band) : band(band), stream(file, band) {}

    const JpegBand& band;
    JpegBandStream stream;
    Session session;
    bool decoded = false;
};

// A band's headers are the file's, but for its height: a width other than the picture's is damage.
bool decodeBand(BandDecoder& d, const QImage& image, J_COLOR_SPACE colours, uchar* bits,
                const RowsDone& rowsDone) {
    Session& s = d.session;
    if (!create(s))
        return false;
    s.band = &d.stream;
    setSource(s, fillBand, skipBand);
    if (!readHeader(s) || s.info.image_width != JDIMENSION(image.width()))
        return false;
    const qsizetype stride = image.bytesPerLine();
    s.info.out_color_space = colours;
    s.info.mem->max_memory_to_use = workingMemory;
    return start(s) && readRows(s, JDIMENSION(d.band.discard), JDIMENSION(d.band.rows),
                                bits + qsizetype(d.band.top) * stride, stride, d.band.last, rowsDone);
}

// A large picture whose restart markers begin rows of iMCUs is decoded in bands, as many as the picture's
// work is split into, from the file held whole; none when one decoder does as well, or the markers are not
// where they should be, and the file is then read on where the header ended.
std::vector<JpegBand> bandsOf(const Session& s, QIODevice& file, LoadBudget::Claim& claim,
                              QByteArray& bytes) {
    const qint64 pixels = qint64(s.info.image_width) * s.info.image_height;
    const int count = std::min(bandsFor(pixels), claim.cores());
    if (count < 2 || JpegBands::intervalRows(s.info) == 0 || file.isSequential() ||
        claim.bytes() + pixels * 4 + file.size() + bandBuffers(s.info, size_t(count)) >
            claim.budget().total())
        return {};
    const qint64 resume = file.pos();
    const qint64 dataStart = resume - qint64(s.source.bytes_in_buffer);
    if (!file.seek(0))
        return {};
    bytes = wholeFile(file, claim);
    std::vector<JpegBand> bands = JpegBands::cut(s.info, bytes, dataStart, count);
    if (bands.empty()) {
        bytes.clear();
        if (!file.seek(resume))
            invalidPicture();
    }
    return bands;
}

// Any band's damage is the picture's. The top band, decoded on this thread, tells rowsDone of its rows as
// they come.
void decodeInBands(const QByteArray& file, const std::vector<JpegBand>& bands, J_COLOR_SPACE colours,
                   QImage& image, const RowsDone& rowsDone) {
    std::vector<std::unique_ptr<BandDecoder>> decoders;
    for (const JpegBand& band : bands)
        decoders.push_back(std::make_unique<BandDecoder>(file, band));
    uchar* const bits = image.bits(); // taken once: every band writes in the same pixels
    const RowsDone unheard = [](int, int) {};
    const auto run = [&](BandDecoder& d) {
        d.decoded = decodeBand(d, image, colours, bits, &d == decoders[0].get() ? rowsDone : unheard);
    };
    inBands(int(decoders.size()), [&](int band) { run(*decoders[size_t(band)]); });
    for (const auto& d : decoders)
        if (!d->decoded)
            fail(d->session);
}

// Adobe's CMYK files store each ink inverted, 255 meaning none.
void undoInversion(QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        auto* pixel = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0, width = image.width(); x < width; ++x)
            pixel[x] = ~pixel[x];
    }
}

} // namespace

DecodedPicture JpegReader::decode(QIODevice& file, LoadBudget::Claim& claim, Progress& progress) {
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
    const Progress::Lease lease(progress);
    JOCTET* profile = nullptr;
    unsigned length = 0;
    const bool profileRead = readProfile(*s, &profile, &length);
    const desktop::Owned<JOCTET, std::free> owned(profile);
    if (!profileRead)
        fail(*s);
    decoded.colour.iccProfile = QByteArray(reinterpret_cast<const char*>(profile), qsizetype(length));
    decoded.orientation = orientation(s->info);
    decoded.cmyk = s->info.jpeg_color_space == JCS_CMYK || s->info.jpeg_color_space == JCS_YCCK;
    s->info.out_color_space = decoded.cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    s->info.mem->max_memory_to_use = long(coefficients) + workingMemory;
    QByteArray whole;
    const std::vector<JpegBand> bands = bandsOf(*s, file, claim, whole);
    decoded.image =
        claim.rgb32(size.width(), size.height(), coefficients + bandBuffers(s->info, bands.size()));
    // Adobe's inverted inks are undone only when the whole picture is read, so their rows are not final
    // before then.
    const bool inverted = decoded.cmyk && s->info.saw_Adobe_marker;
    const auto rowsDone = [&](int first, int end) {
        if (!inverted)
            progress.decoded(decoded, QRect(0, first, size.width(), end - first));
    };
    if (!bands.empty())
        decodeInBands(whole, bands, s->info.out_color_space, decoded.image, rowsDone);
    else if (!start(*s) || !readRows(*s, 0, s->info.output_height, decoded.image.bits(),
                                     decoded.image.bytesPerLine(), true, rowsDone))
        fail(*s);
    if (inverted)
        undoInversion(decoded.image);

    return decoded;
}

} // namespace picture

KESTRELLE_FORMAT_MODULE(picture::JpegReader)
