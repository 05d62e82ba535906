#pragma once

namespace desktop {

// Pseudo-random numbers: seeded once, then uniform values from 0 (included) to 1 (excluded).
class Random {
public:
    virtual ~Random() = default;
    virtual void seed(double seed) = 0;
    virtual double next() = 0;
};

} // namespace desktop
