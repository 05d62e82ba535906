#include "ui/SystemClock.h"

#include <QTime>

namespace ui {

double SystemClock::secondsSinceMidnight() {
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}

} // namespace ui
