#include "desktop/SystemClock.h"

#include <QTime>

namespace desktop {

double SystemClock::secondsSinceMidnight() {
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}

} // namespace desktop
