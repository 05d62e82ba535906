#include "picture/RowBands.h"

#include <QThread>

#include <algorithm>
#include <thread>
#include <vector>

namespace picture {

void inRowBands(int rows, qint64 pixels, const std::function<void(int first, int end)>& work) {
    constexpr qint64 pixelsPerBand = 1 << 20;
    const int bands = int(std::clamp<qint64>(pixels / pixelsPerBand, 1, QThread::idealThreadCount()));
    const auto band = [&](int index) {
        work(int(qint64(rows) * index / bands), int(qint64(rows) * (index + 1) / bands));
    };
    std::vector<std::thread> helpers;
    for (int index = 1; index < bands; ++index)
        helpers.emplace_back(band, index);
    band(0);
    for (std::thread& helper : helpers)
        helper.join();
}

} // namespace picture
