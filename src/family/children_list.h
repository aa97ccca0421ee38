#pragma once

#include "family/child.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The list of a family's children as its file in the data folder holds it:
// their order, each child's name and choices, the child chosen last, and the
// number the next child will get (numbers are never given twice).
//
//   {"format": 1, "next": 4, "last": "child-3",
//    "children": [{"id": "child-1", "name": "たろう", "retryMissed": false}, ...]}
class ChildrenList
{
public:
    QList<Child> children;
    QString last; // the id of the child chosen last; empty when none
    int next = 1; // up to Child::highestNumber + 1, when every number has been given

    // The list a file holds; nothing when it is not such a list at all.
    // Entries that are not a child's (no id of the program's form) and a second
    // entry of the same id are dropped; a name that breaks the name rules is
    // read as empty, and `last` as empty unless it is a child of the list.
    static std::optional<ChildrenList> read(const QByteArray &bytes);
    QByteArray bytes() const;

    // The position of the child of this id, or -1.
    qsizetype indexOf(const QString &id) const;

    static inline const QString fileName = QStringLiteral("children.json");
};
