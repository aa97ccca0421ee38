#pragma once

#include <QString>

// Every statement the school sender runs on the school's server (schema
// sansu, see sql/school-schema.sql). Values are bound ("?"), never part of a
// text. The inserts name no conflict target: a PC may only insert, and
// ON CONFLICT with a target, like RETURNING, would need SELECT; a row the
// server holds already is passed over by its unique key alone.
class ServerStatements
{
public:
    static const int knownMajor; // 1: the schema versions this program writes to

    static QString schemaVersion(); // major, minor
    static QString pcClasses();     // the classes this login may write for, one a row
    // The pupils of this login's classes: class id and name, pupil id, 出席番号,
    // name in kana, 転出, kept days and missed questions again (the pupil's
    // own, else the class's; NULL when neither is set), in class and 出席番号 order.
    static QString pcRoster();
    // `rows` pupils: pupil_id, class_id, name_kana, made_by_pc each.
    static QString insertPupils(int rows);
    // `rows` results: result_id, pupil_id, class_id, drill, score, log_date,
    // made_at, made_utc_offset_min, pc_id, pc_name, pc_seq, pc_clock_at_send each.
    static constexpr int resultValues = 12;
    static QString insertResults(int rows);
    static QString savepoint();          // "SAVEPOINT one_row"
    static QString rollBackToSavepoint(); // "ROLLBACK TO SAVEPOINT one_row"
    static QString releaseSavepoint();   // "RELEASE SAVEPOINT one_row"
};
