#pragma once

#include <functional>

class QWidget;

namespace ui {

// Runs task once window has painted its first frame and that frame has gone to the screen, so that work
// which holds the window's thread never keeps a freshly shown window black.
void afterFirstFrame(QWidget& window, std::function<void()> task);

} // namespace ui
