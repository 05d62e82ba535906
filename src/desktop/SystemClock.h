#pragma once

#include "desktop/Clock.h"

namespace desktop {

class SystemClock : public Clock {
public:
    double secondsSinceMidnight() override;
};

} // namespace desktop
