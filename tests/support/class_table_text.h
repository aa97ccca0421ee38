#pragma once

#include "classroom/class_table.h"

#include <QStringList>

// The teacher's table as lines of text a test can compare with figures worked
// out by hand: "number kana, 転出, today, drill last/best/week/MM-dd falling, ! why".
inline QStringList classTableText(const std::vector<ClassTable::Line> &lines)
{
    QStringList table;
    for (const ClassTable::Line &line : lines) {
        QStringList parts{QString::number(line.pupil.number) + ' ' + line.pupil.kana};
        if (line.pupil.left)
            parts << "転出";
        if (line.progress.practisedToday)
            parts << "today";
        for (int i = 0; i < ClassTable::drillCount; ++i) {
            const ClassTable::Drill &d = line.progress.drills[i];
            if (d.last)
                parts << QString("%1 %2/%3/%4/").arg(ClassTable::drills()[i]).arg(*d.last).arg(*d.best).arg(d.thisWeek)
                             + d.lastDay.toString("MM-dd") + (d.falling ? " falling" : "");
        }
        if (line.stuck())
            parts << "! " + line.progress.stuckReason();
        table << parts.join(", ");
    }
    return table;
}
