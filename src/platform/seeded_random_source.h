#pragma once

#include "platform/random_source.h"

#include <cstdint>
#include <random>

// The program's generator: a 64-bit Mersenne twister seeded once.
class SeededRandomSource : public RandomSource
{
public:
    explicit SeededRandomSource(std::uint64_t seed);
    double next() override;

private:
    std::mt19937_64 engine_;
};
