#pragma once

#include <QString>

// Every statement the teacher's view runs on the school's server (schema
// sansu 1.1, see sql/school-schema.sql), each value bound ("?"). What the
// server may show the login is decided by the server's rights alone.
//
// A sitting's school time is the PC's time of the sitting corrected by the
// error of the PC's clock the sender measured (its clock at sending against
// the server's time of receipt), at the PC's own offset from UTC; a row of a
// pupil a PC made and the teacher linked counts as the roster pupil's.
class TeacherStatements
{
public:
    static QString schemaVersion(); // major, minor
    // The classes the login teaches: class_id, name. Refused to a login that
    // is no teacher.
    static QString teacherClasses();
    static QString allClasses(); // class_id, name of every class
    // A read of its own: REPEATABLE READ, READ ONLY, so that a read of several
    // statements sees one moment of the server.
    static QString readOnlySnapshot();

    // The pupils of a class: on its roster, or first sent for it. pupil_id,
    // attendance_no (NULL off the roster), left_class, name_kana, name_kanji,
    // school_pupil_no, the pupil it is linked to. Bound: the class twice.
    static QString classPupils();
    // The sittings the class's table needs, in school time: per pupil and
    // drill the last three, the best (the latest of equal bests), and every
    // one from Monday on, none after today. pupil, drill, score, day, time;
    // in time order. Bound: the class, today, Monday.
    static QString tableSittings();
    // Every sitting of a class, or of one pupil with the pupils linked to it,
    // in time order: pupil, drill, score, day, time (to the second), the
    // PC's name, the server's time of receipt in ms since the epoch. Bound:
    // the class (and the pupil).
    static QString classRows(bool onePupil);
    // Each PC that sent rows of the class: pc_id, pc_name and the error of its
    // clock (seconds) at its last batch, the time of that batch in ms since
    // the epoch. Bound: the class.
    static QString classPcs();
    static QString classSettings(); // kept_days, retry_missed; bound: the class
    static QString pupilSettings(); // pupil_id, kept_days, retry_missed of the pupils the login sees

    // The pupils a new roster may be matched against (sansu.roster_candidates).
    // Bound: the class, last year's class (may be NULL), the roster's pupil
    // numbers as an array text.
    static QString rosterCandidates();
    // The roster import, in one transaction: every pupil of the class marked
    // as left, then each row's pupil made (a new one) or named afresh (a known
    // one) and put on the roster with its number.
    static QString markAllLeft();       // bound: the class
    static QString insertPupil();       // pupil_id, class_id, name_kana, name_kanji, school_pupil_no
    static QString putOnRoster();       // class_id, pupil_id, attendance_no
    static QString renamePupil();       // name_kana, name_kanji, school_pupil_no (NULL keeps), pupil_id
    static QString insertLink();        // from_pupil, to_pupil
    // A class's or a pupil's kept days and missed questions, set (NULL: not set).
    static QString saveClassSettings(); // class_id, kept_days, retry_missed
    static QString savePupilSettings(); // pupil_id, kept_days, retry_missed
};
