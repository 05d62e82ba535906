#pragma once

#include <QtGlobal>

#include <functional>

namespace picture {

// Runs `work` over consecutive bands of the rows [0, rows), one band per core but never a band of fewer
// than a million pixels, where starting a thread would cost more than it saves. Bands share no rows, so
// work that touches only its own rows needs no locking. Returns once every band is done.
void inRowBands(int rows, qint64 pixels, const std::function<void(int first, int end)>& work);

} // namespace picture
