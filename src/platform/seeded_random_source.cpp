#include "platform/seeded_random_source.h"

SeededRandomSource::SeededRandomSource(std::uint64_t seed) : engine_(seed) {}

double SeededRandomSource::next()
{
    // 53 random bits give every double in [0, 1) on a grid of 2^-53.
    return static_cast<double>(engine_() >> 11) * 0x1.0p-53;
}
