#include "BenchPictures.h"
#include "BenchWindow.h"
#include "ChildProcess.h"
#include "PeakMemory.h"
#include "Summary.h"
#include "support/ProcessMemory.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <sstream>

int peakMemoryChild(const QString& first, const QString& second) {
    BenchWindow window;
    window.desktop.fileAnswers = {first, second};
    window.form.PushButton3_Click();
    window.form.PushButton4_Click();
    BenchWindow::paintPending(window.form.window());
    window.enterFullScreen();
    if (!window.desktop.messages.isEmpty() || !window.form.Picture1.pictureHandle() ||
        !window.form.Picture4.pictureHandle())
        return 1;
    std::printf("peak-resident %lld\n", static_cast<long long>(processMemory::peakResident()));
    return 0;
}

namespace {

constexpr double megabyte = 1e6;

void peakMemory(benchmark::State& state) {
    const QString first = BenchPictures::jpeg({6000, 4000}, 0);
    const QString second = BenchPictures::jpeg({6000, 4000}, 1);
    const double pixelBytes = 2.0 * 6000 * 4000 * 4;
    double peak = 0;
    for (auto _ : state) {
        const auto printed = runChild({QCoreApplication::applicationFilePath().toStdString(),
                                       peakMemoryOption, first.toStdString(), second.toStdString()},
                                      {}, std::chrono::minutes(2));
        std::istringstream words(printed.value_or(std::string()));
        std::string key;
        long long bytes = 0;
        if (!(words >> key >> bytes) || key != "peak-resident") {
            state.SkipWithError("the measuring process failed");
            return;
        }
        peak = std::max(peak, double(bytes));
    }
    state.counters["peak_MB"] = peak / megabyte;
    Summary::add({"peak memory, 2 x 6000x4000 in both windows", "pixels of both pictures", peak / megabyte,
                  pixelBytes / megabyte, "MB", "<= pixels + 40 MB", peak <= pixelBytes + 40 * megabyte});
}

} // namespace

BENCHMARK(peakMemory)->Iterations(3)->Unit(benchmark::kMillisecond);
