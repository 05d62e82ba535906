#pragma once

#include <QByteArrayView>
#include <QSize>

namespace picture {

// The size an AVIF file's primary item declares in its ispe property, read before libavif, which turns
// down sizes past its own limits as if the file were damaged; empty where the file does not say.
QSize avifDeclaredSize(QByteArrayView file);

} // namespace picture
