#pragma once

#include <cstdint>

namespace ui {

// Converts a computed value into a 16-bit signed integer: rounds to the nearest integer with halves going
// to the even neighbour, and fails with "Overflow" when the result lies outside -32768 to 32767.
int16_t toInt16(double value);

} // namespace ui
