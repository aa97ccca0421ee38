#pragma once

#include "family/family.h"

#include <QString>
#include <QStringList>

// What the family's windows say of an outcome of the family: why a change was
// not made, what a load finished that a kill had cut short, and what is wrong
// with a child's folder. One place, so that the picker, the start and the
// parents' corner say each alike.
class FamilyMessages
{
public:
    // Why `outcome` failed, after `what` ("子どもの一覧を変えられませんでした").
    static QString failure(const FamilyOutcome &outcome, const QString &what);
    // One line for each change a load finished.
    static QStringList finished(const FamilyOutcome &outcome);
    // A child whose folder cannot be used, in words a child and a parent read.
    static QString trouble(const Child &child, Family::Trouble trouble, const QString &folder);
};
