#include "desktop/StdRandom.h"

#include <cstring>

namespace desktop {

void StdRandom::seed(double seed) {
    // Every bit of the seed counts, so two starts a millisecond apart draw differently.
    uint64_t bits = 0;
    std::memcpy(&bits, &seed, sizeof bits);
    engine_.seed(bits);
}

double StdRandom::next() {
    return std::uniform_real_distribution<double>(0.0, 1.0)(engine_);
}

} // namespace desktop
