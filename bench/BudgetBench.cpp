#include "BenchPictures.h"
#include "BenchWindow.h"
#include "ChildProcess.h"
#include "PeakMemory.h"
#include "Summary.h"
#include "support/ProcessMemory.h"

#include "picture/BackgroundLoads.h"
#include "picture/LoadBudget.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <sstream>

int loadPeakChild(bool together, const QStringList& paths) {
    BenchWindow window;
    const int64_t before = processMemory::resident();
    std::vector<QImage> loaded;
    if (together) {
        picture::BackgroundLoads loads(window.loader);
        loads.start(paths);
        for (const QString& path : paths)
            loaded.push_back(loads.take(path));
    } else {
        window.desktop.fileAnswers.assign(paths.begin(), paths.end());
        window.form.PushButton3_Click();
        if (paths.size() > 1)
            window.form.PushButton4_Click();
        if (!window.desktop.messages.isEmpty()) {
            std::printf("refused %s\n", qPrintable(window.desktop.messages.first().text.section('\r', 0, 0)));
            return 1;
        }
    }
    std::printf("peak-resident %lld before %lld\n", static_cast<long long>(processMemory::peakResident()),
                static_cast<long long>(before));
    return 0;
}

namespace {

constexpr double megabyte = 1e6;
constexpr int side = 23160; // the largest square whose pixels fit a budget of 2047 MB

// Loads run in a child; what the peak rose by above the resident size before the loads is held against
// the pixels of the pictures loaded: whatever else a load needs at once must stay within the budget.
// The goal: the pixels, a share of them more and a few megabytes.
struct PeakGoal {
    QSize size{side, side};
    double share = 0;
    double megabytes = 64;
};

void loadPeak(benchmark::State& state, const char* figure, bool together, const QStringList& paths,
              PeakGoal goal = {}) {
    const double pixelBytes = double(paths.size()) * goal.size.width() * goal.size.height() * 4;
    double added = 0;
    for (auto _ : state) {
        std::vector<std::string> arguments{QCoreApplication::applicationFilePath().toStdString(),
                                           loadPeakOption, together ? "together" : "in-turn"};
        for (const QString& path : paths)
            arguments.push_back(path.toStdString());
        const auto printed = runChild(arguments, {}, std::chrono::minutes(5));
        std::istringstream words(printed.value_or(std::string()));
        std::string key;
        std::string beforeKey;
        long long peak = 0;
        long long before = 0;
        if (!(words >> key >> peak >> beforeKey >> before) || key != "peak-resident") {
            state.SkipWithError(("the load failed: " + printed.value_or(std::string())).c_str());
            return;
        }
        added = std::max(added, double(peak - before));
    }
    const double budget = double(picture::LoadBudget::machineShare());
    state.counters["added_MB"] = added / megabyte;
    state.counters["budget_MB"] = budget / megabyte;
    const double allowed = pixelBytes * (1 + goal.share) + goal.megabytes * megabyte;
    const std::string shown =
        "<= pixels + " + (goal.share > 0 ? QString::number(goal.share * 100).toStdString() + " % + " : "") +
        QString::number(goal.megabytes).toStdString() + " MB";
    Summary::add({figure, "pixels of the pictures loaded", added / megabyte, pixelBytes / megabyte, "MB",
                  shown, added <= allowed});
}

void budgetBmp(benchmark::State& state) {
    loadPeak(state, "load peak, 24-bit BMP 23160 x 23160 (1.6 GB)", false,
             {BenchPictures::plainBmp({side, side})});
}

void budgetGreyPng(benchmark::State& state) {
    loadPeak(state, "load peak, 16-bit grey PNG 23160 x 23160", false,
             {BenchPictures::grey16Png({side, side})});
}

void budgetTwoPngsTogether(benchmark::State& state) {
    loadPeak(state, "load peak, two such PNGs at once", true,
             {BenchPictures::grey16Png({side, side}, 0), BenchPictures::grey16Png({side, side}, 1)});
}

// Pictures shown while they decode: the bands on both cores and the parts shown cost next to nothing.
void shownWhileDecodingJpeg(benchmark::State& state) {
    loadPeak(state, "load peak, 12000x8000 JPEG in bands, shown as it decodes", false,
             {BenchPictures::restartJpeg({12000, 8000})}, {{12000, 8000}, 0.10, 40});
}

void shownWhileDecodingPng(benchmark::State& state) {
    loadPeak(state, "load peak, 23000x23000 PNG shown as it decodes", false,
             {BenchPictures::hugePng({23000, 23000})}, {{23000, 23000}, 0.10, 40});
}

} // namespace

BENCHMARK(shownWhileDecodingJpeg)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(shownWhileDecodingPng)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(budgetBmp)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(budgetGreyPng)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(budgetTwoPngsTogether)->Iterations(1)->Unit(benchmark::kMillisecond);
