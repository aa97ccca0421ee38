#include "teacher/teacher_statements.h"

namespace {
// A result's pupil as the teacher counts it (r: sansu.results, l: its link)
// and its time of the sitting in school time (a timestamp without zone).
const char *const countedPupil = "coalesce(l.to_pupil, r.pupil_id)";
const char *const schoolTime = "(r.made_at - (r.pc_clock_at_send - r.received_at)) AT TIME ZONE 'UTC'"
                               " + make_interval(mins => r.made_utc_offset_min)";
} // namespace

QString TeacherStatements::schemaVersion()
{
    return QStringLiteral("SELECT major, minor FROM sansu.schema_version");
}

QString TeacherStatements::teacherClasses()
{
    return QStringLiteral("SELECT class_id, coalesce(name, class_id) FROM sansu.classes"
                          " WHERE class_id IN (SELECT sansu.teacher_classes()) ORDER BY class_id");
}

QString TeacherStatements::allClasses()
{
    return QStringLiteral("SELECT class_id, coalesce(name, class_id) FROM sansu.classes ORDER BY class_id");
}

QString TeacherStatements::readOnlySnapshot()
{
    return QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY");
}

QString TeacherStatements::classPupils()
{
    return QStringLiteral(
        "SELECT p.pupil_id, r.attendance_no, coalesce(r.left_class, false), p.name_kana, coalesce(p.name_kanji, ''),"
        " coalesce(p.school_pupil_no, ''), l.to_pupil"
        " FROM sansu.pupils p"
        " LEFT JOIN sansu.roster r ON r.pupil_id = p.pupil_id AND r.class_id = ?"
        " LEFT JOIN sansu.pupil_links l ON l.from_pupil = p.pupil_id"
        " WHERE r.class_id IS NOT NULL OR p.class_id = ?");
}

QString TeacherStatements::tableSittings()
{
    return QStringLiteral(
               "WITH s AS (SELECT %1 AS pupil, r.drill, r.score::int AS score, r.result_id, %2 AS at"
               "  FROM sansu.results r LEFT JOIN sansu.pupil_links l ON l.from_pupil = r.pupil_id"
               "  WHERE r.class_id = ?),"
               " d AS (SELECT s.*,"
               "  row_number() OVER (PARTITION BY pupil, drill ORDER BY at DESC, result_id DESC) AS recent,"
               "  row_number() OVER (PARTITION BY pupil, drill ORDER BY score DESC, at DESC, result_id DESC) AS best"
               "  FROM s WHERE at < ?::date + 1)"
               " SELECT pupil, drill, score, at::date, at::time(3) FROM d"
               " WHERE recent <= 3 OR best = 1 OR at >= ?::date ORDER BY d.at, d.result_id")
        .arg(QLatin1String(countedPupil), QLatin1String(schoolTime));
}

QString TeacherStatements::classRows(bool onePupil)
{
    return QStringLiteral(
               "SELECT %1, r.drill, r.score::int, (%2)::date, (%2)::time(0), r.pc_name,"
               " (extract(epoch FROM r.received_at) * 1000)::bigint"
               " FROM sansu.results r LEFT JOIN sansu.pupil_links l ON l.from_pupil = r.pupil_id"
               " WHERE r.class_id = ?%3 ORDER BY %2, r.result_id")
        .arg(QLatin1String(countedPupil), QLatin1String(schoolTime),
             onePupil ? QStringLiteral(" AND %1 = ?::uuid").arg(QLatin1String(countedPupil)) : QString());
}

QString TeacherStatements::classPcs()
{
    return QStringLiteral("SELECT DISTINCT ON (pc_id) pc_id, pc_name,"
                          " round(extract(epoch FROM pc_clock_at_send - received_at))::bigint,"
                          " (extract(epoch FROM received_at) * 1000)::bigint"
                          " FROM sansu.results WHERE class_id = ? ORDER BY pc_id, received_at DESC");
}

QString TeacherStatements::classSettings()
{
    return QStringLiteral("SELECT kept_days, retry_missed FROM sansu.class_settings WHERE class_id = ?");
}

QString TeacherStatements::pupilSettings()
{
    return QStringLiteral("SELECT pupil_id, kept_days, retry_missed FROM sansu.pupil_settings");
}

QString TeacherStatements::rosterCandidates()
{
    return QStringLiteral("SELECT pupil_id, name_kana, coalesce(name_kanji, ''), coalesce(school_pupil_no, ''),"
                          " class_id, coalesce(attendance_no, 0), left_class"
                          " FROM sansu.roster_candidates(?, ?, ?::text[])");
}

QString TeacherStatements::markAllLeft()
{
    return QStringLiteral("UPDATE sansu.roster SET left_class = true WHERE class_id = ? AND NOT left_class");
}

QString TeacherStatements::insertPupil()
{
    return QStringLiteral("INSERT INTO sansu.pupils (pupil_id, class_id, name_kana, name_kanji, school_pupil_no)"
                          " VALUES (?::uuid, ?, ?, ?, ?)");
}

QString TeacherStatements::putOnRoster()
{
    return QStringLiteral("INSERT INTO sansu.roster (class_id, pupil_id, attendance_no) VALUES (?, ?::uuid, ?)"
                          " ON CONFLICT (class_id, pupil_id)"
                          " DO UPDATE SET attendance_no = excluded.attendance_no, left_class = false");
}

QString TeacherStatements::renamePupil()
{
    return QStringLiteral("UPDATE sansu.pupils SET name_kana = ?, name_kanji = coalesce(?, name_kanji),"
                          " school_pupil_no = coalesce(?, school_pupil_no) WHERE pupil_id = ?::uuid");
}

QString TeacherStatements::insertLink()
{
    return QStringLiteral("INSERT INTO sansu.pupil_links (from_pupil, to_pupil) VALUES (?::uuid, ?::uuid)");
}

QString TeacherStatements::saveClassSettings()
{
    return QStringLiteral("INSERT INTO sansu.class_settings (class_id, kept_days, retry_missed) VALUES (?, ?, ?)"
                          " ON CONFLICT (class_id)"
                          " DO UPDATE SET kept_days = excluded.kept_days, retry_missed = excluded.retry_missed");
}

QString TeacherStatements::savePupilSettings()
{
    return QStringLiteral("INSERT INTO sansu.pupil_settings (pupil_id, kept_days, retry_missed) VALUES (?::uuid, ?, ?)"
                          " ON CONFLICT (pupil_id)"
                          " DO UPDATE SET kept_days = excluded.kept_days, retry_missed = excluded.retry_missed");
}
