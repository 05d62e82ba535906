#pragma once

#include "ui/Clock.h"

namespace ui {

class SystemClock : public Clock {
public:
    double secondsSinceMidnight() override;
};

} // namespace ui
