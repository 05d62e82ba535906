// Opening a picture into a pane, held against decoding or copying the same file with nothing around it.
#include "OpenBench.h"
#include "BenchPictures.h"
#include "BenchWindow.h"
#include "Stopwatch.h"
#include "Summary.h"

#include "desktop/Owned.h"
#include "picture/BackgroundLoads.h"
#include "picture/PictureLoader.h"

#include <QFile>
#include <QWidget>

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

std::vector<unsigned char> readFile(const QString& path) {
    const int fd = open(path.toLocal8Bit().constData(), O_RDONLY);
    if (fd < 0)
        throw std::runtime_error("cannot open " + path.toStdString());
    std::vector<unsigned char> bytes(size_t(lseek(fd, 0, SEEK_END)));
    const bool whole = pread(fd, bytes.data(), bytes.size(), 0) == ssize_t(bytes.size());
    close(fd);
    if (!whole)
        throw std::runtime_error("cannot read " + path.toStdString());
    return bytes;
}

void readAndCopy(const QString& path) {
    const std::vector<unsigned char> bytes = readFile(path);
    const auto copy = std::make_unique_for_overwrite<unsigned char[]>(bytes.size());
    std::memcpy(copy.get(), bytes.data(), bytes.size());
    benchmark::DoNotOptimize(copy.get());
}

// libjpeg-turbo alone: the file read into memory and decoded into a new buffer of 32-bit pixels.
void decodeWithTurboJpeg(const QString& path) {
    const std::vector<unsigned char> bytes = readFile(path);
    const desktop::Owned<void, tjDestroy> decoder(tjInitDecompress());
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colourspace = 0;
    if (tjDecompressHeader3(decoder.get(), bytes.data(), bytes.size(), &width, &height, &subsampling,
                            &colourspace) != 0)
        throw std::runtime_error(tjGetErrorStr2(decoder.get()));
    const auto pixels = std::make_unique_for_overwrite<unsigned char[]>(size_t(width) * size_t(height) * 4);
    if (tjDecompress2(decoder.get(), bytes.data(), bytes.size(), pixels.get(), width, 0, height, TJPF_BGRX,
                      0) != 0)
        throw std::runtime_error(tjGetErrorStr2(decoder.get()));
    benchmark::DoNotOptimize(pixels.get());
}

void summariseTimes(benchmark::State& state, const std::string& figure, const std::string& baseline,
                    const std::vector<double>& program, const std::vector<double>& reference, double limit) {
    const double measured = median(program) * 1000;
    const double base = median(reference) * 1000;
    state.counters["baseline_ms"] = base;
    state.counters["ratio"] = measured / base;
    const std::string goal = "<= " + QString::number(limit).toStdString() + " x";
    Summary::add({figure, baseline, measured, base, "ms", goal, measured <= limit * base});
}

// The program's own path: the loader, the picture into pane 1's inner box, the fit and the pane's paint.
void openPicture(benchmark::State& state, const OpenCase& c) {
    const QString path = c.picture();
    const auto& baseline = c.decodeAlone;
    BenchWindow window;
    Form1& form = window.form;
    auto open = [&] {
        form.Picture1.setPicture(window.loader.load(path));
        PaneFit(form.pane1);
        form.Picture2.widget()->repaint();
    };
    auto empty = [&] {
        form.Picture1.clearPicture();
        BenchWindow::paintPending(form.window());
    };
    open(); // loads the decoder plug-in and warms the file cache
    baseline(path);
    std::vector<double> program;
    std::vector<double> reference;
    for (auto _ : state) {
        empty();
        program.push_back(secondsOf(open));
        reference.push_back(secondsOf([&] { baseline(path); }));
        state.SetIterationTime(program.back());
    }
    if (!window.desktop.messages.isEmpty()) {
        state.SkipWithError(window.desktop.messages.first().text.toStdString().c_str());
        return;
    }
    summariseTimes(state, c.figure, c.baseline, program, reference, c.limit);
}

BENCHMARK_CAPTURE(openPicture, jpeg_6000x4000,
                  OpenCase{"open JPEG 6000x4000 into a pane", "tjDecompress2 of the file",
                           [] {
                               return BenchPictures::jpeg({6000, 4000});
                           },
                           decodeWithTurboJpeg})
    ->Iterations(8)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(openPicture, restart_jpeg_12000x8000,
                  OpenCase{"open JPEG 12000x8000 with a restart marker every MCU row into a pane",
                           "tjDecompress2 of the file on one thread",
                           [] {
                               return BenchPictures::restartJpeg({12000, 8000});
                           },
                           decodeWithTurboJpeg, 0.6})
    ->Iterations(4)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(openPicture, adobe_rgb_jpeg_6000x4000,
                  OpenCase{"open Adobe RGB JPEG 6000x4000 into a pane, colours managed",
                           // Without colour management: for the tagged file, the untagged cost.
                           "tjDecompress2 of the file, untouched colours",
                           [] {
                               return BenchPictures::adobeRgbJpeg({6000, 4000});
                           },
                           decodeWithTurboJpeg, 1.3})
    ->Iterations(8)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(openPicture, bmp_6000x4000,
                  OpenCase{"open 24-bit BMP 6000x4000 into a pane", "read and copy the file",
                           [] {
                               return BenchPictures::bmp({6000, 4000});
                           },
                           readAndCopy})
    ->Iterations(8)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(openPicture, jpeg_12000x8000,
                  OpenCase{"open JPEG 12000x8000 into a pane", "tjDecompress2 of the file",
                           [] {
                               return BenchPictures::jpeg({12000, 8000});
                           },
                           decodeWithTurboJpeg})
    ->Iterations(4)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

namespace {

// Two pictures loaded together, as the samples load, against one of them loaded alone.
void loadTogether(benchmark::State& state, const std::string& figure, QString (*pictures)(int variant)) {
    const QString first = pictures(0);
    const QString second = pictures(1);
    BenchWindow window;
    const auto together = [&] {
        picture::BackgroundLoads loads(window.loader);
        loads.start({first, second});
        benchmark::DoNotOptimize(loads.take(first));
        benchmark::DoNotOptimize(loads.take(second));
    };
    const auto alone = [&] { benchmark::DoNotOptimize(window.loader.load(first)); };
    together();
    std::vector<double> program;
    std::vector<double> reference;
    for (auto _ : state) {
        program.push_back(secondsOf(together));
        reference.push_back(secondsOf(alone));
        state.SetIterationTime(program.back());
    }
    summariseTimes(state, figure, "one of them loaded alone", program, reference, 1.2);
}

// The photo as HEIC; the second under a name of its own, for a load of each.
QString heicPhoto(int variant) {
    const QString path =
        BenchPictures::madeBy(QStringLiteral("heif-enc -q 90 {photo} -o photo.heic"), {6000, 4000});
    if (variant == 0)
        return path;
    const QString copy = path + QStringLiteral("-copy.heic");
    QFile::copy(path, copy);
    return copy;
}

} // namespace

BENCHMARK_CAPTURE(loadTogether, jpeg, "two 6000x4000 JPEGs loaded together, as the samples load",
                  [](int variant) {
                      return BenchPictures::jpeg({6000, 4000}, variant);
                  })
    ->Iterations(8)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
// Each load on its share of the cores, not both on all of them.
BENCHMARK_CAPTURE(loadTogether, heic, "two 6000x4000 HEICs loaded together", heicPhoto)
    ->Iterations(4)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
