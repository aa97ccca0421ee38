#include "platform/random_draw.h"

#include "platform/seeded_random_source.h"

#include <chrono>
#include <cmath>
#include <cstdint>

namespace {
std::unique_ptr<RandomSource> &installed()
{
    static std::unique_ptr<RandomSource> source;
    return source;
}

std::uint64_t timerSeed()
{
    return static_cast<std::uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count());
}
} // namespace

void RandomDraw::seedFromTimer()
{
    installed() = std::make_unique<SeededRandomSource>(timerSeed());
}

void RandomDraw::setSource(std::unique_ptr<RandomSource> source)
{
    installed() = std::move(source);
}

RandomSource &RandomDraw::source()
{
    if (!installed())
        seedFromTimer();
    return *installed();
}

int RandomDraw::modulo(int k)
{
    return fromValue(source().next(), k);
}

int RandomDraw::fromValue(double r, int k)
{
    if (k < 1)
        return 0;
    // std::nearbyint rounds halves to even in the default rounding mode.
    const auto n = static_cast<long long>(std::nearbyint(r * 10000000.0));
    const long long rest = n % k;
    return static_cast<int>(rest < 0 ? rest + k : rest);
}
