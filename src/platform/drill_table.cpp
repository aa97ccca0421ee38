#include "platform/drill_table.h"

#include <algorithm>
#include <array>

namespace {
using Op = DrillTable::Operation;
using Posing = DrillTable::Posing;

// The menu's left column holds the adding drills and the clock, its right
// column the subtracting drills (and the score button below them).
constexpr DrillTable::Entry drills[] = {
    {u"たしざん10", u"たしざん１０", 1, {360, 360}, Posing::SumWithin, Op::Add, 10, {6480, 3960}, 615},
    {u"たして10", u"たして１０", 0, {360, 1200}, Posing::MakeTen, Op::Add, 10, {6360, 3960}, 495},
    {u"たしざん20", u"たしざん２０", 2, {360, 2040}, Posing::SumWithin, Op::Add, 20, {6360, 4560}, 615},
    {u"ひきざん10", u"ひきざん１０", 3, {2040, 360}, Posing::DifferenceWithin, Op::Subtract, 10, {6480, 3960}, 615},
    {u"ひいて10", u"ひいて１０", 4, {2040, 1200}, Posing::TenMinus, Op::Subtract, 10, {6360, 3960}, 495},
    {u"ひきざん20", u"ひきざん２０", 5, {2040, 2040}, Posing::DifferenceWithin, Op::Subtract, 20, {6360, 4560}, 615},
    {u"とけい", u"とけい", 6, {360, 2880}, Posing::Clock, Op::Add, 0, {4200, 7320}, 495},
};

// Every menu index from 0 on names exactly one drill.
constexpr bool menuIndicesAreAPermutation()
{
    std::array<int, std::size(drills)> seen{};
    for (const DrillTable::Entry &d : drills) {
        if (d.menuIndex < 0 || d.menuIndex >= static_cast<int>(std::size(drills)) || seen[d.menuIndex]++)
            return false;
    }
    return true;
}
static_assert(menuIndicesAreAPermutation(), "each menu index must name exactly one drill");
} // namespace

std::span<const DrillTable::Entry> DrillTable::all()
{
    return drills;
}

int DrillTable::Entry::scoreIndex() const
{
    return static_cast<int>(this - drills);
}

const DrillTable::Entry *DrillTable::atMenuIndex(int index)
{
    const auto found = std::find_if(std::begin(drills), std::end(drills),
                                    [index](const Entry &d) { return d.menuIndex == index; });
    return found == std::end(drills) ? nullptr : found;
}

QString DrillTable::sign(Operation operation)
{
    switch (operation) {
    case Operation::Add:
        return QStringLiteral("＋");
    case Operation::Subtract:
        return QStringLiteral("－");
    }
    return QString();
}

QString DrillTable::smallWord(Operation operation)
{
    switch (operation) {
    case Operation::Add:
        return QStringLiteral("たす");
    case Operation::Subtract:
        return QStringLiteral("ひく");
    }
    return QString();
}
