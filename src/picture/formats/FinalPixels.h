#pragma once

#include "picture/LoadBudget.h"

#include <QImage>
#include <QSize>

namespace picture {

// A decoder's final pixels, claimed with `alongside` bytes beside them: Format_RGB32, or Format_ARGB32
// for straight alpha; wide samples as Format_RGBX64, or Format_RGBA64 for straight alpha. Every reader
// claims its pixels here or through the claim's rgb32, so that all of them come in the same pages.
QImage finalPixels(QSize size, bool wide, bool alpha, qint64 alongside, LoadBudget::Claim& claim);

} // namespace picture
