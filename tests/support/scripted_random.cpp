#include "support/scripted_random.h"

double ScriptedRandom::next()
{
    ++taken_;
    if (script_.empty())
        return (unscripted_++ % 10000) / 10000000.0;
    const double r = script_.front();
    script_.pop_front();
    return r;
}

void ScriptedRandom::draws(std::initializer_list<int> numbers)
{
    for (int n : numbers)
        script_.push_back(n / 10000000.0);
}
