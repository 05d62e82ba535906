// A row for every format read through a module: a 24-megapixel photo made by the format's own tool, opened
// into a pane, against the format's library decoding the same file alone in the same run.
#include "BenchPictures.h"
#include "OpenBench.h"

#include <tiffio.h>
#include <webp/decode.h>

#include <cstdint>
#include <memory>
#include <stdexcept>

namespace {

// libwebp alone: the file read and decoded into a new buffer of 32-bit pixels.
void decodeWithLibwebp(const QString& path) {
    const std::vector<unsigned char> bytes = readFile(path);
    int width = 0;
    int height = 0;
    if (!WebPGetInfo(bytes.data(), bytes.size(), &width, &height))
        throw std::runtime_error("not a WebP file: " + path.toStdString());
    const size_t stride = size_t(width) * 4;
    const auto pixels = std::make_unique_for_overwrite<uint8_t[]>(stride * size_t(height));
    if (!WebPDecodeBGRAInto(bytes.data(), bytes.size(), pixels.get(), stride * size_t(height), int(stride)))
        throw std::runtime_error("libwebp refused " + path.toStdString());
    benchmark::DoNotOptimize(pixels.get());
}

// libtiff alone: every strip decoded into one buffer of the file's own samples, nothing converted.
void decodeWithLibtiff(const QString& path) {
    const std::unique_ptr<TIFF, void (*)(TIFF*)> tiff(TIFFOpen(path.toLocal8Bit().constData(), "r"),
                                                      TIFFClose);
    if (!tiff)
        throw std::runtime_error("libtiff refused " + path.toStdString());
    const tmsize_t stripSize = TIFFStripSize(tiff.get());
    const uint32_t strips = TIFFNumberOfStrips(tiff.get());
    const auto samples = std::make_unique_for_overwrite<unsigned char[]>(size_t(stripSize) * strips);
    for (uint32_t strip = 0; strip < strips; ++strip)
        if (TIFFReadEncodedStrip(tiff.get(), strip, samples.get() + size_t(stripSize) * strip, stripSize) < 0)
            throw std::runtime_error("libtiff could not decode " + path.toStdString());
    benchmark::DoNotOptimize(samples.get());
}

struct ModuleFormat {
    const char* name;
    // Makes the file from {photo}; its last word names the file.
    const char* make;
    const char* baseline;
    void (*decodeAlone)(const QString& path);
};

// One row a format.
const ModuleFormat moduleFormats[] = {
    {"WebP", "cwebp -quiet -q 90 {photo} -o photo.webp", "WebPDecodeBGRAInto of the file", decodeWithLibwebp},
    {"TIFF", "convert {photo} -compress zip photo.tif", "TIFFReadEncodedStrip per strip", decodeWithLibtiff},
};

const bool registered = [] {
    for (const ModuleFormat& format : moduleFormats) {
        const OpenCase c{std::string("open ") + format.name + " 6000x4000 into a pane", format.baseline,
                         [make = format.make] {
                             return BenchPictures::madeBy(QLatin1String(make), {6000, 4000});
                         },
                         format.decodeAlone, 1.10};
        benchmark::RegisterBenchmark(
            (QStringLiteral("openPicture/%1_6000x4000").arg(QString::fromLatin1(format.name).toLower()))
                .toStdString()
                .c_str(),
            [c](benchmark::State& state) { openPicture(state, c); })
            ->Iterations(8)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

} // namespace
