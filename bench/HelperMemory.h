#pragma once

#include <QtGlobal>

#include <atomic>
#include <thread>

// The memory this process's helpers (the decoder processes it starts) add to its own, which the kernel's
// peak for this process does not count: the pages each maps alone, sampled every millisecond while a watch
// lives and summed over every helper alive at once. Pages a helper shares with this process (the libraries
// both map) are already in this process's count, and so are the pixels it hands over, which this process
// maps whole: they are left out here even before this process maps them.
class HelperMemory {
public:
    HelperMemory();
    ~HelperMemory();
    HelperMemory(const HelperMemory&) = delete;
    HelperMemory& operator=(const HelperMemory&) = delete;

    // The most bytes the helpers held at once, as sampled so far.
    qint64 peak() const { return peak_.load(); }

private:
    void sample();

    std::atomic<qint64> peak_{0};
    std::atomic<bool> stop_{false};
    std::thread sampler_;
};
