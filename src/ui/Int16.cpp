#include "ui/Int16.h"

#include "desktop/Failures.h"

#include <cfenv>
#include <cmath>

namespace ui {

int16_t toInt16(double value) {
    if (std::isnan(value))
        desktop::overflow();
    // nearbyint follows the current rounding mode, which is round-half-to-even unless someone changed it.
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(previous);
    if (rounded < -32768.0 || rounded > 32767.0)
        desktop::overflow();
    return static_cast<int16_t>(rounded);
}

} // namespace ui
