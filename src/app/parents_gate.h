#pragma once

#include "family/parents_check.h"

// The check before anything meant for parents (the children, the days kept):
// the product of a two-digit and a one-digit number, typed in, which a
// first-grader cannot work out. A new question after each wrong answer; the
// third wrong answer closes it.
class ParentsGate
{
public:
    // True once the right product was typed; false on キャンセル or after three
    // wrong answers (then said). The draw is the gate's own, or a test's.
    static bool pass(const ParentsCheck::Draw &draw = nullptr);
};
