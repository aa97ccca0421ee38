#pragma once

// A uniform source of values r with 0 <= r < 1.
class RandomSource
{
public:
    virtual ~RandomSource() = default;
    virtual double next() = 0;
};
