#pragma once

#include "desktop/Clock.h"
#include "desktop/Random.h"

// A clock that always reads the same time and chance that draws a chosen value, recording its seed.
class FixedClock : public desktop::Clock {
public:
    double seconds = 43200.5;
    double secondsSinceMidnight() override { return seconds; }
};

class ScriptedRandom : public desktop::Random {
public:
    double value = 0.5;
    double seededWith = -1;
    void seed(double s) override { seededWith = s; }
    double next() override { return value; }
};
