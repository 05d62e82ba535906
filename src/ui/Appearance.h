#pragma once

#include <QIcon>

namespace ui {

// Pictures are shown pixel for pixel, so the program works in the screen's own pixels. A scale factor the
// user asked for becomes a higher dots-per-inch instead: text and the twips-designed windows grow with it,
// while pictures stay one picture pixel on one screen pixel. Call before the application object exists.
void useScreenPixels();

// The program's icon, in its four sizes.
QIcon applicationIcon();

} // namespace ui
