// A row for every format read through a module: a 24-megapixel photo made by the format's own tool (or, for
// a format without one here, by a writer of the benchmark's), opened into a pane, against the format's
// library decoding the same file alone in the same run.
#include "BenchPictures.h"
#include "FormatBaselines.h"
#include "OpenBench.h"

namespace {

constexpr QSize photoSize(6000, 4000);

struct ModuleFormat {
    const char* name;
    // Makes the file, once, and returns its path.
    QString (*picture)();
    const char* baseline;
    void (*decodeAlone)(const QString& path);
    // The slowest decoders are measured fewer times.
    int iterations = 8;
    // For a library that decodes on one thread unless asked: the same decode on one thread, which the
    // program's, on every core, is held against too.
    void (*decodeOnOneThread)(const QString& path) = nullptr;
};

QString madeBy(const char* commandLine) {
    return BenchPictures::madeBy(QLatin1String(commandLine), photoSize);
}

// One row a format.
const ModuleFormat moduleFormats[] = {
    {"WebP", [] { return madeBy("cwebp -quiet -q 90 {photo} -o photo.webp"); },
     "WebPDecodeBGRAInto of the file", baseline::webp},
    {"TIFF", [] { return madeBy("convert {photo} -compress zip photo.tif"); },
     "TIFFReadEncodedStrip per strip, widened to 32-bit pixels", baseline::tiff},
    {"HEIC", [] { return madeBy("heif-enc -q 90 {photo} -o photo.heic"); },
     "heif_decode_image of the file to interleaved RGB", baseline::heif},
    {"AVIF", [] { return madeBy("avifenc -s 8 --min 20 --max 30 {photo} photo.avif"); },
     "avifDecoderNextImage of the file, avifImageYUVToRGB", baseline::avif, 8, baseline::avifOnOneThread},
    {"JXL", [] { return madeBy("cjxl {photo} photo.jxl"); },
     "JxlDecoder of the file into RGBA, threaded alike", baseline::jxl},
    {"JP2", [] { return madeBy("opj_compress -I -r 20 -i {photo} -o photo.jp2"); }, "opj_decode of the file",
     baseline::jp2, 4, baseline::jp2OnOneThread},
    {"EXR", [] { return BenchPictures::exr(photoSize); }, "RgbaInputFile readPixels of the file",
     baseline::exr, 8, baseline::exrOnOneThread},
    {"DNG", [] { return BenchPictures::dng(photoSize); }, "LibRaw unpack and dcraw_process, same settings",
     baseline::raw, 4},
    // librsvg draws each translucent disc through a layer of the whole canvas: seconds a drawing.
    {"SVG", [] { return BenchPictures::svg(photoSize); }, "librsvg into a new cairo surface", baseline::svg,
     2},
    {"QOI", [] { return BenchPictures::qoi(photoSize); }, "qoi_decode of the file to RGBA", baseline::qoi},
    // ImageMagick writes plain 24-bit rows: like a BMP's, nothing is left to decode.
    {"TGA", [] { return madeBy("convert {photo} photo.tga"); }, "read and copy the file", readAndCopy},
    // ImageMagick writes PackBits rows, as most PSDs have them; no library reads them alone.
    {"PSD", [] { return madeBy("convert {photo} photo.psd"); }, "PackBits rows unpacked into 32-bit pixels",
     baseline::packBitsPsd},
};

void registerRow(const std::string& name, const OpenCase& c, int iterations) {
    benchmark::RegisterBenchmark(name.c_str(), [c](benchmark::State& state) { openPicture(state, c); })
        ->Iterations(iterations)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

const bool registered = [] {
    for (const ModuleFormat& format : moduleFormats) {
        const std::string figure = std::string("open ") + format.name + " 6000x4000 into a pane";
        const std::string name = "openPicture/" + QString::fromLatin1(format.name).toLower().toStdString();
        registerRow(name + "_6000x4000", {figure, format.baseline, format.picture, format.decodeAlone, 1.10},
                    format.iterations);
        if (format.decodeOnOneThread)
            registerRow(name + "_6000x4000_beside_one_thread",
                        {figure + ", beside one thread", std::string(format.baseline) + " on one thread",
                         format.picture, format.decodeOnOneThread, 0.6},
                        format.iterations);
    }
    return true;
}();

} // namespace
