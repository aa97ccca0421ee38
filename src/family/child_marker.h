#pragma once

#include "family/child.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The small file in each child's folder that says whose folder it is (the
// id, the name and the child's choices), so that the list of children can be
// made again from the folders alone. While the folder takes over the family's
// results file, or gives its own up on the child's removal, it also records
// that, so that a start after a kill finishes the move.
//
//   {"id": "child-1", "name": "たろう", "retryMissed": false,
//    "adopts": true}                                       while taking over
//   {..., "removing": true, "backup": "ADO_ZEM.removed-child-1.MDB"}   while removed
class ChildMarker
{
public:
    Child child;
    bool adopts = false;
    bool removing = false;
    QString backup; // removing: the name in the data folder the results go to; empty when none

    // The marker a file holds; nothing when it is no marker. A name that
    // breaks the name rules is read as empty.
    static std::optional<ChildMarker> read(const QByteArray &bytes);
    QByteArray bytes() const;

    static inline const QString fileName = QStringLiteral("child.json");
};
