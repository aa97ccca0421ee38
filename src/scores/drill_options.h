#pragma once

#include <QList>

class QButtonGroup;
class QRadioButton;
class QWidget;

// The drills as a column of option buttons, one chosen at a time, in the drill
// table's order: where the score window has them, and the chart alike.
class DrillOptions
{
public:
    // Makes one button per drill on `window`, named `namePrefix` and its
    // index, each in `group` under its index.
    static QList<QRadioButton *> make(QWidget *window, QButtonGroup *group, const QString &namePrefix);
};
