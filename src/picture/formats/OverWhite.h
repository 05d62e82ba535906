#pragma once

#include <QImage>

namespace picture {

// Lays a picture whose fourth bytes hold straight (not premultiplied) alpha over white and makes it opaque:
// what a transparent pixel shows is the file's rule, not the colour stored under it.
void layOverWhite(QImage& image);

} // namespace picture
