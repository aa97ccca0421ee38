#pragma once

#include "platform/random_source.h"

#include <deque>
#include <initializer_list>

// Draws for tests: after draws({n, ...}) the next draws modulo k give n mod k
// each (the value handed out is n / 10,000,000). When the script runs out it
// counts up from 0, so that draws still differ from one another.
class ScriptedRandom : public RandomSource
{
public:
    double next() override
    {
        ++taken_;
        const int n = script_.empty() ? unscripted_++ % 10000 : script_.front();
        if (!script_.empty())
            script_.pop_front();
        return n / 10000000.0;
    }
    void draws(std::initializer_list<int> numbers) { script_.insert(script_.end(), numbers); }
    int taken() const { return taken_; }
    // The clock: 3:15 in label 1, then 7:40 in label 3; `redrawn`: that
    // question's first wrong time comes out 7:40 too and is drawn again.
    void clock(bool redrawn = false)
    {
        draws({3, 15, 1, 1, 0, 2, 0, 4, 0, 5, 0, 6, 0, 7, 0, 8, 0, 7, 40, 3});
        if (redrawn)
            draws({7, 40});
        draws({1, 5, 2, 5, 4, 5, 5, 5, 6, 5, 7, 5, 8, 5});
    }

private:
    std::deque<int> script_;
    int taken_ = 0;
    int unscripted_ = 0;
};
