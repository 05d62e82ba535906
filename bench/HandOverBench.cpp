// Show Full Screen with two large pictures: the time beyond laying out the full-screen window, and the
// memory it adds.
#include "BenchPictures.h"
#include "BenchWindow.h"
#include "Stopwatch.h"
#include "Summary.h"
#include "support/ProcessMemory.h"

#include <QWidget>

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

constexpr double megabyte = 1e6;

bool sharesPixels(Form1& form, Form2& full) {
    return full.Picture1.image().constBits() == form.Picture1.image().constBits() &&
           full.Picture4.image().constBits() == form.Picture4.image().constBits();
}

void handOver(benchmark::State& state) {
    BenchWindow window;
    window.place(1, BenchPictures::jpeg({6000, 4000}, 0));
    window.place(2, BenchPictures::jpeg({6000, 4000}, 1));
    const double pixelBytes = 2.0 * 6000 * 4000 * 4;
    window.enterFullScreen();
    window.leaveFullScreen();

    std::vector<double> program;
    std::vector<double> layout;
    double handOverGrowth = 0;
    double firstFrameGrowth = 0;
    double screenBytes = 0;
    for (auto _ : state) {
        const auto before = processMemory::resident();
        double seconds = secondsOf([&] { window.form.PushButton1_Click(); });
        const auto handedOver = processMemory::resident();
        Form2* full = nullptr;
        seconds += secondsOf([&] { full = &window.awaitFullScreen(); });
        const auto firstFrame = processMemory::resident();
        if (!sharesPixels(window.form, *full)) {
            state.SkipWithError("the full-screen window holds copies of the pictures");
            return;
        }
        // The layout the full-screen window runs at that size anyway; everything beyond it is the hand-over,
        // the window's creation and its first frame.
        layout.push_back(secondsOf([&] { full->Form_Resize(); }));
        screenBytes = 4.0 * full->window()->width() * full->window()->height();
        window.leaveFullScreen();
        program.push_back(seconds);
        handOverGrowth = std::max(handOverGrowth, double(handedOver - before));
        firstFrameGrowth = std::max(firstFrameGrowth, double(firstFrame - before));
        state.SetIterationTime(seconds);
    }
    if (!window.desktop.messages.isEmpty()) {
        state.SkipWithError(window.desktop.messages.first().text.toStdString().c_str());
        return;
    }
    const double figure = median(program) * 1000;
    const double base = median(layout) * 1000;
    state.counters["layout_ms"] = base;
    state.counters["rss_growth_MB"] = handOverGrowth / megabyte;
    Summary::add({"hand-over to full screen, to its first frame", "its layout (Form_Resize) alone", figure,
                  base, "ms", "< 5 ms beyond", figure - base < 5, true});
    Summary::add({"hand-over: memory added", "pixels of both pictures", handOverGrowth / megabyte,
                  pixelBytes / megabyte, "MB", "< 2 MB", handOverGrowth < 2 * megabyte});
    Summary::add({"hand-over: memory added, to its first frame", "one full-screen buffer",
                  firstFrameGrowth / megabyte, screenBytes / megabyte, "MB", "< buffer + 2 MB",
                  firstFrameGrowth < screenBytes + 2 * megabyte});
}

} // namespace

BENCHMARK(handOver)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);
