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

// A source set from outside (a test's scripted draws) is kept when start-up
// seeds the generator, so the test still poses the questions it chose.
bool &injected()
{
    static bool set = false;
    return set;
}

std::uint64_t timerSeed()
{
    return static_cast<std::uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count());
}
} // namespace

void RandomDraw::seedFromTimer()
{
    if (!injected())
        installed() = std::make_unique<SeededRandomSource>(timerSeed());
}

void RandomDraw::setSource(std::unique_ptr<RandomSource> source)
{
    injected() = source != nullptr;
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
