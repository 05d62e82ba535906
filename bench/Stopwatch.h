#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

// Wall time of one call, in seconds.
template <typename Work> double secondsOf(Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The middle of the samples: the summary's figures, as other work on the machine only ever adds time.
inline double median(std::vector<double> samples) {
    if (samples.empty())
        return 0;
    const auto middle = samples.begin() + std::ptrdiff_t(samples.size() / 2);
    std::nth_element(samples.begin(), middle, samples.end());
    return *middle;
}
