#pragma once

#include "platform/random_source.h"

#include <memory>

// The one generator of the run and the draw modulo k that every drill uses:
// N = round-half-even(r x 10,000,000), result N mod k.
class RandomDraw
{
public:
    // Seeds the generator from the system timer; done once at start-up.
    static void seedFromTimer();
    // Replaces the generator until the next setSource, seeding included
    // (tests pose exactly the questions they need); nullptr goes back to the
    // seeded one.
    static void setSource(std::unique_ptr<RandomSource> source);
    static RandomSource &source();

    // Takes the next value of the generator and draws modulo k (k >= 1).
    static int modulo(int k);
    // The draw modulo k for a given value r.
    static int fromValue(double r, int k);
};
