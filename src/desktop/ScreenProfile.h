#pragma once

#include <QByteArray>

namespace desktop {

// The colour profile of the screen, as a colour manager announces it on X: the _ICC_PROFILE property of
// the root window. Empty on other platforms and when none is set, which means sRGB.
QByteArray screenProfile();

} // namespace desktop
