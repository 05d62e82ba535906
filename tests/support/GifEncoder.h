#pragma once

#include <QByteArray>
#include <QImage>

namespace test {

struct GifShape {
    // Rows stored every eighth from 0, every eighth from 4, every fourth from 2, every second from 1.
    bool interlaced = false;
    // The colours in the frame's own table; the global table holds their inverses.
    bool localTable = false;
};

// Encodes a picture of at most 256 colours as a GIF, which the toolkit can read but not write. The LZW
// stream restarts before its codes outgrow 9 bits: large, but simple and exact.
QByteArray encodeGif(const QImage& picture, const GifShape& shape = {});

} // namespace test
