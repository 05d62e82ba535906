#pragma once

#include "desktop/Random.h"

#include <random>

namespace desktop {

class StdRandom : public Random {
public:
    void seed(double seed) override;
    double next() override;

private:
    std::mt19937_64 engine_;
};

} // namespace desktop
