// One arrow key in the full-screen window, held against copying one screenful of pixels.
#include "BenchPictures.h"
#include "BenchWindow.h"
#include "Stopwatch.h"
#include "Summary.h"
#include "support/PaintCounter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr QSize screen(1920, 1080);

void panStep(benchmark::State& state) {
    BenchWindow window;
    window.place(1, BenchPictures::jpeg({6000, 4000}, 0));
    window.place(2, BenchPictures::jpeg({6000, 4000}, 1));
    Form2& full = window.enterFullScreen();
    if (full.window()->size() != screen) {
        full.window()->resize(screen);
        full.Form_Resize();
        BenchWindow::paintPending(full.window());
    }
    QWidget* target = full.window()->focusWidget() ? full.window()->focusWidget() : full.window();
    PaintCounter meter({full.Picture1.widget(), full.Picture4.widget()});
    const qint64 frameArea = qint64(full.Picture2.widget()->width()) * full.Picture2.widget()->height();

    const size_t screenBytes = size_t(screen.width()) * size_t(screen.height()) * 4;
    std::vector<unsigned char> shown(screenBytes, 1);
    std::vector<unsigned char> copy(screenBytes, 2);
    std::vector<double> program;
    std::vector<double> reference;
    qint64 largestPaint = 0;
    bool right = true;
    for (auto _ : state) {
        // Back and forth, so the panes never reach the end of their range.
        QKeyEvent key(QEvent::KeyPress, right ? Qt::Key_Right : Qt::Key_Left, Qt::NoModifier);
        right = !right;
        meter.reset();
        const double seconds = secondsOf([&] {
            QApplication::sendEvent(target, &key);
            BenchWindow::paintPending(full.window());
        });
        if (meter.painted(0) == 0 || meter.painted(1) == 0) {
            state.SkipWithError("a pane was not repainted");
            return;
        }
        largestPaint = std::max({largestPaint, meter.painted(0), meter.painted(1)});
        reference.push_back(secondsOf([&] {
            std::memcpy(copy.data(), shown.data(), screenBytes);
            benchmark::ClobberMemory();
        }));
        program.push_back(seconds);
        state.SetIterationTime(seconds);
    }
    const double figure = median(program) * 1000;
    const double base = median(reference) * 1000;
    state.counters["baseline_ms"] = base;
    state.counters["ratio"] = figure / base;
    state.counters["largest_paint_px"] = double(largestPaint);
    state.counters["frame_px"] = double(frameArea);
    Summary::add({"pan step, full screen 1920x1080, 2 x 6000x4000", "memcpy of 1920x1080x4 bytes", figure,
                  base, "ms", "<= 3 x", figure <= 3 * base});
    Summary::add({"pan step: most pixels one pane painted", "pixels in one pane's frame",
                  double(largestPaint), double(frameArea), "px", "<= frame", largestPaint <= frameArea});
}

} // namespace

BENCHMARK(panStep)->Iterations(200)->UseManualTime()->Unit(benchmark::kMillisecond);
