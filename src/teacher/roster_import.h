#pragma once

#include "classroom/roster_csv.h"
#include "classroom/roster_match.h"

#include <QString>
#include <QStringList>
#include <QUuid>

#include <optional>
#include <vector>

class QSqlDatabase;

// A class roster on its way to the server: the rows read (RosterCsv), the
// plan against the pupils the server knows (RosterMatch), the teacher's
// answer for each row asked about, and the write, in one transaction. Two
// children are never made one: a row asked about is written only once the
// teacher chose its pupil (or a new one), and no pupil may stand on two rows.
class RosterImport
{
public:
    RosterImport(QString classId, std::vector<RosterCsv::Row> rows);

    const QString &classId() const { return classId_; }
    const std::vector<RosterCsv::Row> &rows() const { return rows_; }
    // The rows' pupil numbers, for the server's candidates.
    QStringList pupilNumbers() const;

    // Plans the rows against `known` (ClassRecords::candidates), with last
    // year's class (empty: none); answers given before are dropped.
    void plan(std::vector<RosterMatch::Pupil> known, const QString &lastYearsClass);
    bool planned() const { return planned_; }
    const RosterMatch::Plan &plan() const { return plan_; }
    const RosterMatch::Pupil *known(const QUuid &id) const;

    // The teacher's answer for a row asked about: one of its candidates, or a
    // null id for a new pupil; nothing takes the answer back.
    void answer(int row, const std::optional<QUuid> &pupil);
    // The pupil a row will be: a known pupil, a null id for a new pupil, or
    // nothing while the row waits for the teacher's answer.
    std::optional<QUuid> chosen(int row) const;
    // What keeps the roster from being written, in the teacher's words;
    // empty when it can be.
    QString problem() const;

    // Writes it: the class's pupils not on it marked 転出, each row's pupil
    // made or named afresh and put on the roster with its number. The
    // server's words when it failed (nothing is written then), or empty.
    QString write(QSqlDatabase &db) const;

private:
    QString classId_;
    std::vector<RosterCsv::Row> rows_;
    std::vector<RosterMatch::Pupil> known_;
    RosterMatch::Plan plan_;
    std::vector<std::optional<QUuid>> answers_;
    bool planned_ = false;
};
