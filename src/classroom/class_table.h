#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QUuid>

#include <array>
#include <optional>
#include <vector>

// The teacher's table of a class, from the pupils and the results the school
// keeps: for each pupil, in 出席番号 order, and each of the seven drills the
// last score, the best, the sittings of this school week (Monday to today)
// and the day last practised; whether the pupil practised today; and whether
// the pupil is stuck. A pupil is stuck when a drill's last three scores each
// fell below the one before, or when the pupil has had no sitting of any drill
// for seven days or more (or never had one).
//
// A result of a pupil not in the class, of a drill not among the seven, or of
// a day after today (a classroom clock set wrong) is passed over. Pupils who
// have left the class (転出) come after the others, marked, and are never
// marked stuck.
class ClassTable
{
public:
    struct Pupil
    {
        QUuid id;
        int number = 0; // 出席番号
        QString kana;
        bool left = false; // 転出
    };
    struct Sitting
    {
        QUuid pupil;
        QString drill; // as the results hold it: "たしざん１０" …
        int score = 0;
        QDate day;  // the school day
        QTime time; // of the sitting, ordering a day's sittings
    };
    static constexpr int drillCount = 7;
    static constexpr int idleDays = 7;
    // The seven drills, in the order of the menu's table.
    static const QStringList &drills();

    struct Drill
    {
        std::optional<int> last, best;
        int thisWeek = 0;     // sittings from Monday to today
        QDate lastDay;        // null: never practised
        bool falling = false; // the last three scores each below the one before
    };
    struct Progress
    {
        std::array<Drill, drillCount> drills; // in the order of drills()
        bool practisedToday = false;
        QDate lastDay;      // of any drill; null: never practised
        int daysSince = -1; // from lastDay to today; -1: never practised
        bool idle() const;  // no sitting for idleDays or more, or never
        bool stuck() const;
        // Why, in the teacher's words; empty when not stuck.
        QString stuckReason() const;
    };
    struct Line
    {
        Pupil pupil;
        Progress progress;
        bool stuck() const { return !pupil.left && progress.stuck(); }
    };

    // One pupil's progress from that pupil's sittings alone.
    static Progress progressOf(const std::vector<Sitting> &sittings, const QDate &today);
    static std::vector<Line> of(
        const std::vector<Pupil> &pupils, const std::vector<Sitting> &sittings, const QDate &today);
    // The table as a CSV file for Excel (ExcelCsv), a header line first.
    static QByteArray excelCsv(const std::vector<Line> &lines);
};
