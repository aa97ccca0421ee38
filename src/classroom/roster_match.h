#pragma once

#include "classroom/roster_csv.h"

#include <QList>
#include <QString>
#include <QUuid>

#include <vector>

// A new roster of a class against the pupils the school already knows, as a
// plan for the teacher to confirm; it changes nothing itself. A pupil keeps
// the same id from year to year, while the class and 出席番号 change.
//
// A row is taken for a known pupil by the school system's pupil number when
// the row has one that a pupil has (in any class). Otherwise by its kana name
// (RosterName::key), among the pupils of the class the teacher names as last
// year's and of the class being imported (a second import in the same year).
// No two children are ever made one without the teacher's word: a row is
// asked about when it finds several pupils, a pupil by number whose name
// differs, a pupil by name whose pupil number differs, or a pupil that another
// row finds too (every such row is asked about). A row that finds nobody is a
// new pupil. The pupils of the class that no row finds are listed to be
// marked 転出: they are kept, and rows of theirs are still taken.
class RosterMatch
{
public:
    struct Pupil
    {
        QUuid id;
        QString kana;
        QString kanji;
        QString pupilNumber; // the school system's, may be empty
        QString classId;
        int number = 0;    // 出席番号 in that class
        bool left = false; // 転出
    };
    enum class Outcome { Matched, New, Ambiguous };
    enum class Rule { None, ByPupilNumber, ByName };
    enum class Doubt {
        None,
        SeveralPupils,  // the row finds more than one pupil
        NameDiffers,    // the pupil of that pupil number has another name
        NumberDiffers,  // the pupil of that name has another pupil number
        FoundByAnother, // another row finds the same pupil
    };
    struct RowPlan
    {
        Outcome outcome = Outcome::New;
        Rule rule = Rule::None; // how the pupils were found
        Doubt doubt = Doubt::None;
        QUuid pupil;             // Matched: the pupil the row is
        QList<QUuid> candidates; // the pupils found, in the order known
    };
    struct Plan
    {
        std::vector<RowPlan> rows; // one per roster row, in the roster's order
        QList<QUuid> leftOut;      // of the class, found by no row, not yet 転出
        bool needsAnswers() const;
    };

    static Plan of(const std::vector<Pupil> &known, const std::vector<RosterCsv::Row> &rows, const QString &classId,
        const QString &lastYearsClassId);
    // What the teacher is asked about a row in doubt; empty for None.
    static QString question(Doubt doubt);
};
