#pragma once

#include <QtGlobal>

namespace desktop {

// The farthest a pane's scroll bar reaches past its frame: 32767 steps of 10 pixels.
constexpr qint64 panReach = 32767 * 10;

// The longest side any pane can pan: its reach past the widest frame a window can have, X11's windows
// being at most 32767 pixels across. Longer pictures are refused from their header.
constexpr qint64 longestPannableSide = panReach + 32767;

} // namespace desktop
