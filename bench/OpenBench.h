#pragma once

#include <QString>

#include <benchmark/benchmark.h>

#include <functional>
#include <string>
#include <vector>

// Opening a picture into a pane, held against its library decoding the same file alone in the same run.
struct OpenCase {
    std::string figure;
    std::string baseline;
    // Makes the picture, once, and returns its path.
    std::function<QString()> picture;
    // The least the picture's own library does with the file: read it and decode it into a new buffer.
    std::function<void(const QString& path)> decodeAlone;
    double limit = 1.15; // the most the program may take, in baselines
};

void openPicture(benchmark::State& state, const OpenCase& c);

// Adds the row of a figure timed beside its baseline: the medians of both, in milliseconds, and whether the
// figure stays within limit baselines.
void summariseTimes(benchmark::State& state, const std::string& figure, const std::string& baseline,
                    const std::vector<double>& program, const std::vector<double>& reference, double limit);

// libjpeg-turbo alone: the file read into memory and decoded into a new buffer of 32-bit pixels.
void decodeWithTurboJpeg(const QString& path);

// The whole file, read at once.
std::vector<unsigned char> readFile(const QString& path);
// The least any loader does with an uncompressed file: read its bytes and copy them once.
void readAndCopy(const QString& path);
