#pragma once

#include <QtGlobal>

#include <functional>

namespace picture {

// How many bands work over a picture of `pixels` is split into: one per core, but never a band of fewer
// than half a million pixels, where starting a thread (or a decoder) would cost about what it saves.
int bandsFor(qint64 pixels);

// Runs work(band) for every band in [0, bands): the first on this thread, each other on one of its own,
// or on this thread after the first where no thread can be started. Returns once every band is done.
void inBands(int bands, const std::function<void(int band)>& work);

// Runs `work` over `bands` consecutive bands of the rows [0, rows), no more bands than rows. Bands share no
// rows, so work that touches only its own rows needs no locking.
void inBandsOfRows(int rows, int bands, const std::function<void(int first, int end)>& work);

// The same, as many bands as bandsFor the pixels.
void inRowBands(int rows, qint64 pixels, const std::function<void(int first, int end)>& work);

} // namespace picture
