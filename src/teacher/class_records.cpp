#include "teacher/class_records.h"

#include "classroom/excel_csv.h"
#include "school/server_link.h"
#include "store/date_text.h"
#include "teacher/class_server.h"
#include "teacher/teacher_statements.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace {
QString text(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces);
}

QVariant orNull(const std::optional<int> &value)
{
    return value ? QVariant(*value) : QVariant(QMetaType::fromType<int>());
}

QVariant orNull(const std::optional<bool> &value)
{
    return value ? QVariant(*value) : QVariant(QMetaType::fromType<bool>());
}

template <typename T>
std::optional<T> optional(const QVariant &value)
{
    return value.isNull() ? std::nullopt : std::optional<T>(value.value<T>());
}

// Runs a statement with its values bound; false (and the words) when it failed.
bool run(QSqlQuery &query, const QString &statement, const QVariantList &values, QString *failure)
{
    query.setForwardOnly(true);
    // A statement without values is sent as it is: some (SET TRANSACTION)
    // cannot be prepared.
    bool ran = values.isEmpty() || query.prepare(statement);
    for (const QVariant &value : values)
        query.addBindValue(value);
    ran = ran && (values.isEmpty() ? query.exec(statement) : query.exec());
    if (!ran && failure->isEmpty())
        *failure = ServerLink::wordsOf(query.lastError());
    return ran;
}

// Runs `work` in one transaction: committed when it returns no words,
// rolled back otherwise; the words, or empty.
template <typename Work>
QString inTransaction(QSqlDatabase &db, Work work)
{
    if (!db.transaction())
        return ServerLink::wordsOf(db.lastError());
    QString failure = work();
    if (failure.isEmpty() && !db.commit())
        failure = ServerLink::wordsOf(db.lastError());
    if (!failure.isEmpty())
        db.rollback();
    return failure;
}

ClassTable::Pupil tablePupil(const ClassRecords::Pupil &p)
{
    return {p.id, p.number, p.kana, p.left};
}
} // namespace

const ClassRecords::Pupil *ClassRecords::Snapshot::pupil(const QUuid &id) const
{
    const auto found = std::find_if(pupils.cbegin(), pupils.cend(), [&id](const Pupil &p) { return p.id == id; });
    return found == pupils.cend() ? nullptr : &*found;
}

std::vector<ClassTable::Line> ClassRecords::Snapshot::lines() const
{
    std::vector<ClassTable::Pupil> roster, others;
    std::vector<const Pupil *> unlisted;
    for (const Pupil &p : pupils) {
        if (p.number > 0)
            roster.push_back(tablePupil(p));
        else if (p.linkedTo.isNull())
            unlisted.push_back(&p);
    }
    std::stable_sort(unlisted.begin(), unlisted.end(), [](const Pupil *a, const Pupil *b) { return a->kana < b->kana; });
    for (const Pupil *p : unlisted)
        others.push_back(tablePupil(*p));
    std::vector<ClassTable::Line> lines = ClassTable::of(roster, sittings, today);
    const std::vector<ClassTable::Line> more = ClassTable::of(others, sittings, today);
    const auto firstLeft = std::find_if(lines.begin(), lines.end(), [](const ClassTable::Line &l) { return l.pupil.left; });
    lines.insert(firstLeft, more.cbegin(), more.cend());
    return lines;
}

ClassRecords::Snapshot ClassRecords::read(QSqlDatabase &db, const QString &classId, const QDate &today)
{
    Snapshot s;
    s.today = today;
    s.failure = inTransaction(db, [&]() -> QString {
        QString failure;
        QSqlQuery q(db);
        if (!run(q, TeacherStatements::readOnlySnapshot(), {}, &failure)
            || !run(q, TeacherStatements::classPupils(), {classId, classId}, &failure))
            return failure;
        while (q.next()) {
            s.pupils.push_back({QUuid(q.value(0).toString()), q.value(1).toInt(), q.value(3).toString(),
                                q.value(4).toString(), q.value(5).toString(), q.value(2).toBool(),
                                q.value(6).isNull() ? QUuid() : QUuid(q.value(6).toString())});
        }
        const QDate monday = today.addDays(1 - today.dayOfWeek());
        if (!run(q, TeacherStatements::tableSittings(), {classId, today, monday}, &failure))
            return failure;
        while (q.next()) {
            s.sittings.push_back({QUuid(q.value(0).toString()), q.value(1).toString(), q.value(2).toInt(),
                                  q.value(3).toDate(), q.value(4).toTime()});
            // A pupil whose name the login may not read: rows sent for this
            // class by a pupil first sent for another.
            if (!s.pupil(s.sittings.back().pupil))
                s.pupils.push_back({s.sittings.back().pupil, 0, QStringLiteral("（名前のわからない児童）"), {}, {}, false, {}, false});
        }
        if (!run(q, TeacherStatements::classPcs(), {classId}, &failure))
            return failure;
        while (q.next()) {
            s.pcs.push_back({q.value(0).toString(), q.value(1).toString(),
                             QDateTime::fromMSecsSinceEpoch(q.value(3).toLongLong()), q.value(2).toLongLong()});
        }
        std::sort(s.pcs.begin(), s.pcs.end(), [](const Pc &a, const Pc &b) { return a.name < b.name; });
        if (!run(q, TeacherStatements::classSettings(), {classId}, &failure))
            return failure;
        if (q.next())
            s.classSettings = {optional<int>(q.value(0)), optional<bool>(q.value(1))};
        if (!run(q, TeacherStatements::pupilSettings(), {}, &failure))
            return failure;
        while (q.next()) {
            const QUuid id(q.value(0).toString());
            if (s.pupil(id))
                s.pupilSettings.insert(id, {optional<int>(q.value(1)), optional<bool>(q.value(2))});
        }
        return QString();
    });
    return s;
}

ClassRecords::Rows ClassRecords::rows(QSqlDatabase &db, const QString &classId, const QUuid &pupil)
{
    Rows rows;
    QSqlQuery q(db);
    QVariantList values{classId};
    if (!pupil.isNull())
        values << text(pupil);
    if (!run(q, TeacherStatements::classRows(!pupil.isNull()), values, &rows.failure))
        return rows;
    // The school time is shown as it is: held as UTC, so that no rule of
    // this computer's time zone moves it.
    while (q.next()) {
        rows.rows.push_back({QUuid(q.value(0).toString()), q.value(1).toString(), q.value(2).toInt(),
                             QDateTime(q.value(3).toDate(), q.value(4).toTime(), Qt::UTC), q.value(5).toString(),
                             QDateTime::fromMSecsSinceEpoch(q.value(6).toLongLong())});
    }
    return rows;
}

std::vector<ResultRow> ClassRecords::resultRows(const std::vector<Row> &rows)
{
    std::vector<ResultRow> results;
    results.reserve(rows.size());
    for (const Row &row : rows)
        results.push_back({DateText::of(row.at), row.drill, QString::number(row.score)});
    return results;
}

QByteArray ClassRecords::rowsCsv(const std::vector<ClassTable::Line> &lines, const Snapshot &snapshot,
                                 const std::vector<Row> &rows)
{
    QHash<QUuid, int> order;
    for (const ClassTable::Line &line : lines)
        order.insert(line.pupil.id, int(order.size()));
    std::vector<const Row *> sorted;
    for (const Row &row : rows)
        sorted.push_back(&row);
    std::stable_sort(sorted.begin(), sorted.end(), [&order](const Row *a, const Row *b) {
        return order.value(a->pupil, int(order.size())) < order.value(b->pupil, int(order.size()));
    });
    ExcelCsv csv;
    csv.addRow({QStringLiteral("出席番号"), QStringLiteral("ふりがな"), QStringLiteral("氏名"), QStringLiteral("ドリル"),
                QStringLiteral("点"), QStringLiteral("日時"), QStringLiteral("PC"), QStringLiteral("受信日時")});
    for (const Row *row : sorted) {
        const Pupil *p = snapshot.pupil(row->pupil);
        csv.addRow({p && p->number > 0 ? ExcelCsv::Cell(qint64(p->number)) : ExcelCsv::Cell(),
                    p ? p->kana : QString(), p ? p->kanji : QString(), row->drill, qint64(row->score), row->at,
                    row->pcName, row->receivedAt.toLocalTime()});
    }
    return csv.bytes();
}

std::vector<RosterMatch::Pupil> ClassRecords::candidates(QSqlDatabase &db, const QString &classId,
                                                         const QString &lastYearsClass,
                                                         const QStringList &pupilNumbers, QString *failure)
{
    // An array's text: each element quoted, its quotes and backslashes escaped.
    QStringList elements;
    for (QString number : pupilNumbers) {
        number.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('"'), QStringLiteral("\\\""));
        elements << QLatin1Char('"') + number + QLatin1Char('"');
    }
    std::vector<RosterMatch::Pupil> known;
    QSqlQuery q(db);
    if (!run(q, TeacherStatements::rosterCandidates(),
             {classId, lastYearsClass.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(lastYearsClass),
              QLatin1Char('{') + elements.join(QLatin1Char(',')) + QLatin1Char('}')},
             failure))
        return known;
    while (q.next()) {
        known.push_back({QUuid(q.value(0).toString()), q.value(1).toString(), q.value(2).toString(),
                         q.value(3).toString(), q.value(4).toString(), q.value(5).toInt(), q.value(6).toBool()});
    }
    return known;
}

QString ClassRecords::link(QSqlDatabase &db, const std::vector<std::pair<QUuid, QUuid>> &links)
{
    return inTransaction(db, [&]() -> QString {
        QString failure;
        QSqlQuery q(db);
        for (const auto &[from, to] : links) {
            if (!run(q, TeacherStatements::insertLink(), {text(from), text(to)}, &failure))
                return failure;
        }
        return QString();
    });
}

QString ClassRecords::saveSettings(QSqlDatabase &db, const QString &classId, const QUuid &pupil,
                                   const Settings &settings)
{
    QString failure;
    QSqlQuery q(db);
    run(q, pupil.isNull() ? TeacherStatements::saveClassSettings() : TeacherStatements::savePupilSettings(),
        {pupil.isNull() ? classId : text(pupil), orNull(settings.keptDays), orNull(settings.retryMissed)}, &failure);
    return failure;
}
