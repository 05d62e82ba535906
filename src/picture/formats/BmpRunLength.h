#pragma once

#include "picture/formats/BmpHeader.h"

#include <QImage>

namespace picture {

// Decodes the run-length coded pixels of a BMP (RLE8, RLE4) into image, which the caller has filled with
// white: pixels that the runs skip keep it. Throws "Invalid picture" for runs that leave the picture, an
// index past the palette, or data that ends before its end-of-picture mark.
class BmpRunLength {
public:
    static void decode(QIODevice& file, const BmpHeader& header, QImage& image);
};

} // namespace picture
