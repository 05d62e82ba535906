// From process start to the main window's first frame, held against a window showing one label.
#include "BenchPictures.h"
#include "ChildProcess.h"
#include "Summary.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <sstream>

namespace {

// Seconds from spawning the program to its first frame, as the program itself reports it. A run that
// does not report (a message box left open, say) is killed and tried again.
// With files named, to the first frame that shows them.
std::optional<double> firstFrame(const char* program, const std::vector<std::string>& files = {}) {
    std::vector<std::string> command{program};
    command.insert(command.end(), files.begin(), files.end());
    const std::string probe =
        files.empty() ? "KESTRELLE_EXIT_AFTER_FIRST_FRAME=1" : "KESTRELLE_EXIT_AFTER_FIRST_FRAME=pictures";
    for (int attempt = 0; attempt < 3; ++attempt) {
        const auto start = std::chrono::steady_clock::now();
        const auto printed = runChild(command, {probe}, std::chrono::seconds(20));
        std::istringstream words(printed.value_or(std::string()));
        std::string key;
        long long nanoseconds = 0;
        if (words >> key >> nanoseconds && key == "first-frame")
            return double(nanoseconds -
                          std::chrono::duration_cast<std::chrono::nanoseconds>(start.time_since_epoch())
                              .count()) /
                   1e9;
    }
    return std::nullopt;
}

struct StartUpCase {
    std::string figure;
    std::string baseline;
    std::function<std::optional<double>()> program;
    std::function<std::optional<double>()> reference;
    double limit;
};

void startUp(benchmark::State& state, const StartUpCase& c) {
    c.program();
    c.reference();
    std::vector<double> program;
    std::vector<double> reference;
    for (auto _ : state) {
        const auto viewer = c.program();
        const auto label = c.reference();
        if (!viewer || !label) {
            state.SkipWithError("a program did not report its first frame");
            return;
        }
        program.push_back(*viewer);
        reference.push_back(*label);
        state.SetIterationTime(*viewer);
    }
    // The fastest run of each: start-up is short, and other work on a shared machine stretches single
    // runs by more than the whole difference between the two programs.
    const double figure = *std::min_element(program.begin(), program.end()) * 1000;
    const double base = *std::min_element(reference.begin(), reference.end()) * 1000;
    state.counters["baseline_ms"] = base;
    state.counters["ratio"] = figure / base;
    const std::string goal = "<= " + QString::number(c.limit).toStdString() + " x";
    Summary::add({c.figure, c.baseline, figure, base, "ms", goal, figure <= c.limit * base});
}

std::string photo(QSize size, int variant) {
    return BenchPictures::jpeg(size, variant).toStdString();
}

const bool registered = [] {
    const StartUpCase cases[] = {
        {"start-up to first frame, fastest of 20 runs", "a window showing one label",
         [] { return firstFrame(KESTRELLE_PROGRAM); }, [] { return firstFrame(LABEL_WINDOW_PROGRAM); }, 1.2},
        {"kestrelle A, a 1 MP JPEG: exec to the picture on screen", "a window showing one label",
         [] {
             return firstFrame(KESTRELLE_PROGRAM, {photo({1200, 800}, 0)});
         },
         [] { return firstFrame(LABEL_WINDOW_PROGRAM); }, 1.3},
        {"kestrelle A B, two 24 MP JPEGs: exec to both on screen", "kestrelle A: exec to one on screen",
         [] {
             return firstFrame(KESTRELLE_PROGRAM, {photo({6000, 4000}, 0), photo({6000, 4000}, 1)});
         },
         [] {
             return firstFrame(KESTRELLE_PROGRAM, {photo({6000, 4000}, 0)});
         },
         1.15},
    };
    for (const StartUpCase& c : cases)
        benchmark::RegisterBenchmark(("startUp/" + c.figure.substr(0, c.figure.find(','))).c_str(),
                                     [c](benchmark::State& state) { startUp(state, c); })
            ->Iterations(20)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace
