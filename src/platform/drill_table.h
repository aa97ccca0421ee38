#pragma once

#include <QString>

// The seven drills. A drill's caption (full-width digits) is its name
// everywhere the child or a parent reads it: on its menu button, in its window
// title, in the results table's 科目 column and on its score-window option.
// Its window name uses ASCII digits. The menu and the score window number the
// drills differently; each looks a drill up by its own index (0 to 6).
class DrillTable
{
public:
    struct Entry
    {
        const char16_t *windowName;
        const char16_t *caption;

        QString window() const { return QString::fromUtf16(windowName); }
        QString name() const { return QString::fromUtf16(caption); }
    };

    static constexpr int count = 7;
    // The clock drill's menu index; the other six are number drills.
    static constexpr int clockIndex = 6;

    static const Entry &atMenuIndex(int index);
    static const Entry &atScoreIndex(int index);
};
