#include "BenchPictures.h"
#include "ChildProcess.h"
#include "Summary.h"

#include <benchmark/benchmark.h>

#include <functional>
#include <sstream>

namespace {

constexpr double megabyte = 1e6;

struct PeakCase {
    std::string figure;
    std::function<QString()> first;
    std::function<QString()> second;
};

// Both pictures are 6000 x 4000, shown as 32-bit pixels.
void peakMemory(benchmark::State& state, const PeakCase& c) {
    const QString first = c.first();
    const QString second = c.second();
    const double pixelBytes = 2.0 * 6000 * 4000 * 4;
    double peak = 0;
    double helpersPeak = 0;
    for (auto _ : state) {
        const auto printed = runChild({PEAK_MEMORY_PROGRAM, first.toStdString(), second.toStdString()}, {},
                                      std::chrono::minutes(2));
        std::istringstream words(printed.value_or(std::string()));
        std::string windowKey;
        std::string helpersKey;
        long long window = 0;
        long long helpers = 0;
        if (!(words >> windowKey >> window >> helpersKey >> helpers) || windowKey != "peak-resident" ||
            helpersKey != "helpers") {
            state.SkipWithError("the measuring process failed");
            return;
        }
        // The window's peak and its helpers' peak are added though they need not fall at once: never less.
        peak = std::max(peak, double(window + helpers));
        helpersPeak = std::max(helpersPeak, double(helpers));
    }
    state.counters["peak_MB"] = peak / megabyte;
    state.counters["helpers_MB"] = helpersPeak / megabyte;
    Summary::add({c.figure, "pixels of both pictures", peak / megabyte, pixelBytes / megabyte, "MB",
                  "<= pixels + 40 MB", peak <= pixelBytes + 40 * megabyte});
}

} // namespace

BENCHMARK_CAPTURE(peakMemory, jpeg,
                  PeakCase{"peak memory, 2 x 6000x4000 in both windows, with helpers",
                           [] {
                               return BenchPictures::jpeg({6000, 4000}, 0);
                           },
                           [] {
                               return BenchPictures::jpeg({6000, 4000}, 1);
                           }})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
// A 16-bit file's samples are twice the shown pixels' size; none of them may stay or pile up.
BENCHMARK_CAPTURE(
    peakMemory, tiff16,
    PeakCase{
        "peak memory, 2 x 16-bit TIFF 6000x4000, with helpers",
        [] {
            return BenchPictures::madeBy("convert {photo} -depth 16 -compress zip photo16.tif", {6000, 4000});
        },
        [] {
            return BenchPictures::madeBy("convert {photo} -depth 16 -compress zip photo16.tif", {6000, 4000});
        }})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
