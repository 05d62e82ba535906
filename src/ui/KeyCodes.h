#pragma once

#include <cstdint>

class QKeyEvent;

namespace ui {

// The key codes and shift bits that key handlers receive, independent of the toolkit's own numbering.
namespace key {
constexpr int16_t Escape = 27;
constexpr int16_t Left = 37;
constexpr int16_t Up = 38;
constexpr int16_t Right = 39;
constexpr int16_t Down = 40;
} // namespace key

namespace shift {
constexpr int Shift = 1;
constexpr int Ctrl = 2;
constexpr int Alt = 4;
} // namespace shift

// The key code of a key press: letters and digits by their capital character, the named keys by their
// virtual-key number, anything else 0.
int16_t keyCodeOf(const QKeyEvent& event);
int shiftStateOf(const QKeyEvent& event);
// The character a key press types (Esc gives 27), or 0 when it types none.
int16_t keyAsciiOf(const QKeyEvent& event);

} // namespace ui
