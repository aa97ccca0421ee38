#include "classroom/roster_match.h"

#include "classroom/roster_name.h"

#include <QHash>

#include <algorithm>

bool RosterMatch::Plan::needsAnswers() const
{
    return std::any_of(
        rows.cbegin(), rows.cend(), [](const RowPlan &row) { return row.outcome == Outcome::Ambiguous; });
}

RosterMatch::Plan RosterMatch::of(const std::vector<Pupil> &known, const std::vector<RosterCsv::Row> &rows,
    const QString &classId, const QString &lastYearsClassId)
{
    Plan plan;
    QHash<QUuid, int> finders; // how many rows find each pupil
    for (const RosterCsv::Row &row : rows) {
        RowPlan found;
        const QString numberKey = RosterCsv::pupilNumberKey(row.pupilNumber);
        const QString nameKey = RosterName::key(row.kana);
        bool sameName = true, sameNumber = true;
        for (const Pupil &pupil : known) {
            if (!numberKey.isEmpty() && RosterCsv::pupilNumberKey(pupil.pupilNumber) == numberKey) {
                found.candidates << pupil.id;
                sameName = sameName && RosterName::key(pupil.kana) == nameKey;
            }
        }
        found.rule = found.candidates.isEmpty() ? Rule::None : Rule::ByPupilNumber;
        for (const Pupil &pupil : known) {
            const bool searched
                = pupil.classId == classId || (!lastYearsClassId.isEmpty() && pupil.classId == lastYearsClassId);
            if (found.rule != Rule::ByPupilNumber && searched && RosterName::key(pupil.kana) == nameKey) {
                found.rule = Rule::ByName;
                found.candidates << pupil.id;
                const QString theirs = RosterCsv::pupilNumberKey(pupil.pupilNumber);
                sameNumber = sameNumber && (numberKey.isEmpty() || theirs.isEmpty() || theirs == numberKey);
            }
        }
        if (found.candidates.size() > 1)
            found.doubt = Doubt::SeveralPupils;
        else if (!sameName)
            found.doubt = Doubt::NameDiffers;
        else if (!sameNumber)
            found.doubt = Doubt::NumberDiffers;
        for (const QUuid &id : std::as_const(found.candidates))
            ++finders[id];
        plan.rows.push_back(found);
    }
    for (RowPlan &row : plan.rows) {
        const bool shared = std::any_of(row.candidates.cbegin(), row.candidates.cend(),
            [&finders](const QUuid &id) { return finders.value(id) > 1; });
        if (shared && row.doubt == Doubt::None)
            row.doubt = Doubt::FoundByAnother;
        row.outcome = row.candidates.isEmpty() ? Outcome::New
            : row.doubt == Doubt::None         ? Outcome::Matched
                                               : Outcome::Ambiguous;
        if (row.outcome == Outcome::Matched)
            row.pupil = row.candidates.constFirst();
    }
    for (const Pupil &pupil : known) {
        if (pupil.classId == classId && !pupil.left && !finders.contains(pupil.id))
            plan.leftOut << pupil.id;
    }
    return plan;
}

QString RosterMatch::question(Doubt doubt)
{
    switch (doubt) {
    case Doubt::None:
        return QString();
    case Doubt::SeveralPupils:
        return QStringLiteral("当てはまる児童が何人もいます､どの児童か選んでください");
    case Doubt::NameDiffers:
        return QStringLiteral("児童番号は同じですが名前が違います､同じ児童か確かめてください");
    case Doubt::NumberDiffers:
        return QStringLiteral("名前は同じですが児童番号が違います､同じ児童か確かめてください");
    case Doubt::FoundByAnother:
        return QStringLiteral("ほかの行と同じ児童に当たります､どちらの児童か確かめてください");
    }
    return QString();
}
