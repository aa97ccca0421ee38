#pragma once

#include "platform/random_source.h"

#include <deque>
#include <initializer_list>

// A random source that hands out given values; each draw modulo k of a value
// made by forDraw(n) gives n (for n < k). When the script runs out it returns 0.
class ScriptedRandom : public RandomSource
{
public:
    double next() override;

    // Appends values that make the next draws give these numbers.
    void draws(std::initializer_list<int> numbers);
    void values(std::initializer_list<double> rs);
    std::size_t remaining() const { return script_.size(); }
    int taken() const { return taken_; }

    static double forDraw(int n) { return n / 10000000.0; }

    // Installs a new ScriptedRandom as the program's generator and returns it.
    static ScriptedRandom *install();

private:
    std::deque<double> script_;
    int taken_ = 0;
};
