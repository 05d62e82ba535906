#pragma once

#include "ui/Clock.h"
#include "ui/Random.h"

// A clock that always reads the same time and chance that draws a chosen value, recording its seed.
class FixedClock : public ui::Clock {
public:
    double seconds = 43200.5;
    double secondsSinceMidnight() override { return seconds; }
};

class ScriptedRandom : public ui::Random {
public:
    double value = 0.5;
    double seededWith = -1;
    void seed(double s) override { seededWith = s; }
    double next() override { return value; }
};
