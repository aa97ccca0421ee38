#pragma once

#include "platform/random_source.h"

#include <deque>
#include <initializer_list>

// Draws for tests: after draws({n, ...}) the next draws modulo k give n mod k
// each (the value handed out is n / 10,000,000). When the script runs out it
// hands out 0.
class ScriptedRandom : public RandomSource
{
public:
    double next() override;
    void draws(std::initializer_list<int> numbers);
    void clear() { script_.clear(); }
    int taken() const { return taken_; }
    void resetCount() { taken_ = 0; }

private:
    std::deque<double> script_;
    int taken_ = 0;
};
