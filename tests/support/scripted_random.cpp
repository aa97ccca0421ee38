#include "support/scripted_random.h"

#include "platform/random_draw.h"

#include <memory>

double ScriptedRandom::next()
{
    ++taken_;
    if (script_.empty())
        return 0.0;
    const double r = script_.front();
    script_.pop_front();
    return r;
}

void ScriptedRandom::draws(std::initializer_list<int> numbers)
{
    for (int n : numbers)
        script_.push_back(forDraw(n));
}

void ScriptedRandom::values(std::initializer_list<double> rs)
{
    for (double r : rs)
        script_.push_back(r);
}

ScriptedRandom *ScriptedRandom::install()
{
    auto source = std::make_unique<ScriptedRandom>();
    ScriptedRandom *raw = source.get();
    RandomDraw::setSource(std::move(source));
    return raw;
}
