#include "teacher/roster_import.h"

#include "school/server_link.h"
#include "teacher/class_server.h"
#include "teacher/teacher_statements.h"

#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

namespace {
QVariant orNull(const QString &text)
{
    return text.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text);
}
} // namespace

RosterImport::RosterImport(QString classId, std::vector<RosterCsv::Row> rows)
    : classId_(std::move(classId)), rows_(std::move(rows))
{
}

QStringList RosterImport::pupilNumbers() const
{
    QStringList numbers;
    for (const RosterCsv::Row &row : rows_) {
        if (!row.pupilNumber.isEmpty())
            numbers << RosterCsv::pupilNumberKey(row.pupilNumber);
    }
    return numbers;
}

void RosterImport::plan(std::vector<RosterMatch::Pupil> known, const QString &lastYearsClass)
{
    known_ = std::move(known);
    plan_ = RosterMatch::of(known_, rows_, classId_, lastYearsClass);
    answers_.assign(rows_.size(), std::nullopt);
    planned_ = true;
}

const RosterMatch::Pupil *RosterImport::known(const QUuid &id) const
{
    const auto found = std::find_if(known_.cbegin(), known_.cend(), [&id](const RosterMatch::Pupil &p) { return p.id == id; });
    return found == known_.cend() ? nullptr : &*found;
}

void RosterImport::answer(int row, const std::optional<QUuid> &pupil)
{
    if (row < 0 || row >= int(answers_.size()) || plan_.rows[row].outcome != RosterMatch::Outcome::Ambiguous)
        return;
    if (pupil && !pupil->isNull() && !plan_.rows[row].candidates.contains(*pupil))
        return;
    answers_[row] = pupil;
}

std::optional<QUuid> RosterImport::chosen(int row) const
{
    const RosterMatch::RowPlan &planned = plan_.rows.at(row);
    switch (planned.outcome) {
    case RosterMatch::Outcome::Matched:
        return planned.pupil;
    case RosterMatch::Outcome::New:
        return QUuid();
    case RosterMatch::Outcome::Ambiguous:
        break;
    }
    return answers_.at(row);
}

QString RosterImport::problem() const
{
    if (!planned_)
        return QStringLiteral("名簿をまだ照らし合わせていません");
    QStringList problems;
    QSet<QUuid> taken;
    for (int i = 0; i < int(rows_.size()); ++i) {
        const std::optional<QUuid> pupil = chosen(i);
        if (!pupil)
            problems << QStringLiteral("%1行目（出席番号%2）：どの児童か選んでください").arg(rows_[i].line).arg(rows_[i].number);
        else if (!pupil->isNull() && taken.contains(*pupil))
            problems << QStringLiteral("%1行目（出席番号%2）：ほかの行と同じ児童です").arg(rows_[i].line).arg(rows_[i].number);
        else if (pupil)
            taken.insert(*pupil);
    }
    return problems.join(QLatin1Char('\n'));
}

QString RosterImport::write(QSqlDatabase &db) const
{
    if (const QString why = problem(); !why.isEmpty())
        return why;
    if (!db.transaction())
        return ServerLink::wordsOf(db.lastError());
    QSqlQuery q(db);
    const auto run = [&q](const QString &statement, const QVariantList &values) {
        bool ran = q.prepare(statement);
        for (const QVariant &value : values)
            q.addBindValue(value);
        return ran && q.exec();
    };
    bool done = run(TeacherStatements::markAllLeft(), {classId_});
    for (int i = 0; done && i < int(rows_.size()); ++i) {
        const RosterCsv::Row &row = rows_[i];
        const bool isNew = chosen(i)->isNull();
        const QString id = (isNew ? QUuid::createUuid() : *chosen(i)).toString(QUuid::WithoutBraces);
        if (isNew)
            done = run(TeacherStatements::insertPupil(), {id, classId_, row.kana, orNull(row.kanji), orNull(row.pupilNumber)});
        // On the roster first: a pupil of another class becomes the teacher's
        // to name afresh.
        done = done && run(TeacherStatements::putOnRoster(), {classId_, id, row.number});
        if (!isNew)
            done = done && run(TeacherStatements::renamePupil(), {row.kana, orNull(row.kanji), orNull(row.pupilNumber), id});
    }
    QString failure;
    if (!done)
        failure = ServerLink::wordsOf(q.lastError());
    else if (!db.commit())
        failure = ServerLink::wordsOf(db.lastError());
    if (!failure.isEmpty())
        db.rollback();
    return failure;
}
