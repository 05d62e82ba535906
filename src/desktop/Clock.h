#pragma once

namespace desktop {

// The time of day, as seconds since midnight with fractions.
class Clock {
public:
    virtual ~Clock() = default;
    virtual double secondsSinceMidnight() = 0;
};

} // namespace desktop
