#include "school/server_statements.h"

#include <QStringList>

const int ServerStatements::knownMajor = 1;

namespace {
QString rowsOf(const QString &row, int rows)
{
    QStringList all;
    all.reserve(rows);
    for (int r = 0; r < rows; ++r)
        all << row;
    return all.join(QStringLiteral(", "));
}
} // namespace

QString ServerStatements::schemaVersion()
{
    return QStringLiteral("SELECT major, minor FROM sansu.schema_version");
}

QString ServerStatements::pcClasses()
{
    return QStringLiteral("SELECT sansu.pc_classes()");
}

QString ServerStatements::pcRoster()
{
    return QStringLiteral("SELECT class_id, class_name, pupil_id, attendance_no, name_kana, left_class, kept_days, "
                          "retry_missed FROM sansu.pc_roster() ORDER BY class_id, attendance_no, pupil_id");
}

QString ServerStatements::insertPupils(int rows)
{
    return QStringLiteral("INSERT INTO sansu.pupils (pupil_id, class_id, name_kana, made_by_pc) VALUES ")
           + rowsOf(QStringLiteral("(CAST(? AS uuid), ?, ?, CAST(? AS uuid))"), rows)
           + QStringLiteral(" ON CONFLICT DO NOTHING");
}

QString ServerStatements::insertResults(int rows)
{
    return QStringLiteral("INSERT INTO sansu.results (result_id, pupil_id, class_id, drill, score, log_date, made_at, "
                          "made_utc_offset_min, pc_id, pc_name, pc_seq, pc_clock_at_send) VALUES ")
           + rowsOf(QStringLiteral("(CAST(? AS uuid), CAST(? AS uuid), ?, ?, ?, ?, CAST(? AS timestamptz), "
                                   "CAST(? AS smallint), CAST(? AS uuid), ?, CAST(? AS bigint), "
                                   "CAST(? AS timestamptz))"),
                    rows)
           + QStringLiteral(" ON CONFLICT DO NOTHING");
}

QString ServerStatements::savepoint()
{
    return QStringLiteral("SAVEPOINT one_row");
}

QString ServerStatements::rollBackToSavepoint()
{
    return QStringLiteral("ROLLBACK TO SAVEPOINT one_row");
}

QString ServerStatements::releaseSavepoint()
{
    return QStringLiteral("RELEASE SAVEPOINT one_row");
}
