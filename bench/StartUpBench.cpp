// From process start to the main window's first frame, held against a window showing one label.
#include "BenchPictures.h"
#include "ChildProcess.h"
#include "OpenBench.h"
#include "Stopwatch.h"
#include "Summary.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <sstream>
#include <thread>

namespace {

// Seconds from spawning the program to its first frame, as the program itself reports it. A run that
// does not report (a message box left open, say) is killed and tried again.
// With files named, to the first frame that shows them, or to the moment the program's probe is asked for.
std::optional<double> firstFrame(const char* program, const std::vector<std::string>& files = {},
                                 const std::string& moment = "pictures") {
    std::vector<std::string> command{program};
    command.insert(command.end(), files.begin(), files.end());
    const std::string probe = "KESTRELLE_EXIT_AFTER_FIRST_FRAME=" + (files.empty() ? "1" : moment);
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
    // Runs held against each other: the fastest of each, or (for long runs) the medians.
    bool medians = false;
    // Quiet before each run of either, as a person's open comes after the machine has idled.
    std::chrono::seconds idle{0};
    int runs = 20;
};

void startUp(benchmark::State& state, const StartUpCase& c) {
    c.program();
    c.reference();
    std::vector<double> program;
    std::vector<double> reference;
    for (auto _ : state) {
        std::this_thread::sleep_for(c.idle);
        const auto viewer = c.program();
        std::this_thread::sleep_for(c.idle);
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
    const auto pick = [&c](std::vector<double>& runs) {
        if (!c.medians)
            return *std::min_element(runs.begin(), runs.end()) * 1000;
        std::nth_element(runs.begin(), runs.begin() + runs.size() / 2, runs.end());
        return runs[runs.size() / 2] * 1000;
    };
    const double figure = pick(program);
    const double base = pick(reference);
    state.counters["baseline_ms"] = base;
    state.counters["ratio"] = figure / base;
    const std::string goal = "<= " + QString::number(c.limit).toStdString() + " x";
    Summary::add({c.figure, c.baseline, figure, base, "ms", goal, figure <= c.limit * base});
}

std::string photo(QSize size, int variant) {
    return BenchPictures::jpeg(size, variant).toStdString();
}

// Seconds for libjpeg-turbo alone to decode the whole file, as a run of the program's probe reports.
std::optional<double> decodeAlone(const std::string& path) {
    return secondsOf([&] { decodeWithTurboJpeg(QString::fromStdString(path)); });
}

const bool registered = [] {
    const StartUpCase cases[] = {
        {"start-up to first frame, fastest of 20 runs", "a window showing one label",
         [] { return firstFrame(KESTRELLE_PROGRAM); }, [] { return firstFrame(LABEL_WINDOW_PROGRAM); }, 1.35},
        {"kestrelle A, a 1 MP JPEG: exec to the picture on screen", "a window showing one label",
         [] {
             return firstFrame(KESTRELLE_PROGRAM, {photo({1200, 800}, 0)});
         },
         [] { return firstFrame(LABEL_WINDOW_PROGRAM); }, 1.45},
        {"kestrelle A B, two 24 MP JPEGs: exec to both on screen", "kestrelle A: exec to one on screen",
         [] {
             return firstFrame(KESTRELLE_PROGRAM, {photo({6000, 4000}, 0), photo({6000, 4000}, 1)});
         },
         [] {
             return firstFrame(KESTRELLE_PROGRAM, {photo({6000, 4000}, 0)});
         },
         1.15},
        {"kestrelle A, a 12000 x 8000 JPEG: exec to the window's first frame", "exec to it with no file",
         [] {
             return firstFrame(KESTRELLE_PROGRAM, {photo({12000, 8000}, 0)}, "1");
         },
         [] { return firstFrame(KESTRELLE_PROGRAM); }, 1.1},
        {"kestrelle A, a 12000 x 8000 JPEG: exec to pane 1's first exact frame", "tjDecompress2 of the file",
         [] {
             return firstFrame(KESTRELLE_PROGRAM, {photo({12000, 8000}, 0)}, "first-exact");
         },
         [] {
             return decodeAlone(photo({12000, 8000}, 0));
         },
         0.15, true},
        {"kestrelle A, a 24 MP JPEG after 3 s idle: exec to the picture on screen",
         "a new process: read + tjDecompress2 of the file",
         [] {
             return firstFrame(KESTRELLE_PROGRAM, {photo({6000, 4000}, 0)});
         },
         [] {
             return firstFrame(DECODE_ALONE_PROGRAM, {photo({6000, 4000}, 0)});
         },
         1.15, true, std::chrono::seconds(3), 7},
        {"kestrelle A, a 96 MP JPEG after 3 s idle: exec to the picture on screen",
         "a new process: read + tjDecompress2 of the file",
         [] {
             return firstFrame(KESTRELLE_PROGRAM, {photo({12000, 8000}, 0)});
         },
         [] {
             return firstFrame(DECODE_ALONE_PROGRAM, {photo({12000, 8000}, 0)});
         },
         1.15, true, std::chrono::seconds(3), 7},
    };
    for (const StartUpCase& c : cases)
        benchmark::RegisterBenchmark(("startUp/" + c.figure).c_str(),
                                     [c](benchmark::State& state) { startUp(state, c); })
            ->Iterations(c.runs)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace
