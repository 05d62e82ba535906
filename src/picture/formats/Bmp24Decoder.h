#pragma once

#include <QByteArrayView>
#include <QImage>

#include <optional>

namespace picture {

// Decodes the commonest BMP, uncompressed 24-bit rows, straight from the file's bytes into 32-bit RGB in
// one pass. The toolkit's reader takes such a file through general bit masks, pixel by pixel, at a
// fraction of the speed.
class Bmp24Decoder {
public:
    // Nothing when the file is another kind of BMP, which is left to the toolkit; a null image when
    // memory for the pixels ran out. The rows must have been found present (BmpStructure) beforehand.
    static std::optional<QImage> decode(QByteArrayView bytes);
};

} // namespace picture
