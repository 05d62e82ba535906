#include "picture/RowBands.h"

#include <QThread>

#include <algorithm>
#include <functional>
#include <system_error>
#include <thread>
#include <vector>

namespace picture {

int bandsFor(qint64 pixels) {
    constexpr qint64 pixelsPerBand = 500'000;
    return int(std::clamp<qint64>(pixels / pixelsPerBand, 1, std::max(1, QThread::idealThreadCount())));
}

void inBands(int bands, const std::function<void(int band)>& work) {
    std::vector<int> unstarted;
    std::vector<std::jthread> helpers; // joined when they go, even when the first band fails
    helpers.reserve(size_t(std::max(bands - 1, 0)));
    for (int band = 1; band < bands; ++band) {
        try {
            helpers.emplace_back(std::cref(work), band);
        } catch (const std::system_error&) {
            unstarted.push_back(band);
        }
    }
    work(0);
    for (const int band : unstarted)
        work(band);
}

void inBandsOfRows(int rows, int bands, const std::function<void(int first, int end)>& work) {
    bands = std::clamp(bands, 1, std::max(rows, 1));
    inBands(bands, [&](int band) {
        work(int(qint64(rows) * band / bands), int(qint64(rows) * (band + 1) / bands));
    });
}

void inRowBands(int rows, qint64 pixels, const std::function<void(int first, int end)>& work) {
    inBandsOfRows(rows, bandsFor(pixels), work);
}

} // namespace picture
