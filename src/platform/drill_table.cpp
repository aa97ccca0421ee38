#include "platform/drill_table.h"

namespace {
// In menu index order.
constexpr DrillTable::Entry drills[DrillTable::count] = {
    {u"たして10", u"たして１０"},     {u"たしざん10", u"たしざん１０"}, {u"たしざん20", u"たしざん２０"},
    {u"ひきざん10", u"ひきざん１０"}, {u"ひいて10", u"ひいて１０"},     {u"ひきざん20", u"ひきざん２０"},
    {u"とけい", u"とけい"},
};

// The score window lists the plain addition drill first.
constexpr int menuIndexOfScoreIndex[DrillTable::count] = {1, 0, 2, 3, 4, 5, 6};
} // namespace

const DrillTable::Entry &DrillTable::atMenuIndex(int index)
{
    return drills[index];
}

const DrillTable::Entry &DrillTable::atScoreIndex(int index)
{
    return drills[menuIndexOfScoreIndex[index]];
}
