#pragma once

#include "classroom/class_table.h"
#include "classroom/roster_match.h"
#include "store/result_row.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QUuid>

#include <optional>
#include <utility>
#include <vector>

class QSqlDatabase;

// What the teacher's view reads from and writes to the school's server, on
// the server's thread (ClassServer's jobs): a class's pupils and the
// sittings its table needs, every row of the class or of a pupil, the PCs
// that sent them, the class's and its pupils' settings, and the pupils a new
// roster may be matched against. The server's rights decide what a login
// sees. Each read is one snapshot of the server; each write one transaction.
// A failure comes back as the server's words, and changes nothing.
class ClassRecords
{
public:
    struct Pupil
    {
        QUuid id;
        int number = 0; // 出席番号; 0 when the pupil is on no roster of the class
        QString kana, kanji, pupilNumber;
        bool left = false; // 転出
        QUuid linkedTo;    // set on a pupil a PC made: the roster pupil its rows count for
        bool named = true; // false: rows of a pupil whose name the login may not read
    };
    struct Pc
    {
        QString id, name;
        QDateTime lastSent; // the server's time of its last batch
        qint64 clockErrorS = 0; // its clock against the server's then
    };
    struct Settings
    {
        std::optional<int> keptDays;     // nothing: not set here
        std::optional<bool> retryMissed;
        bool operator==(const Settings &) const = default;
    };
    struct Snapshot
    {
        QString failure; // the server's words when the read failed
        QDate today;
        std::vector<Pupil> pupils;
        std::vector<ClassTable::Sitting> sittings; // those the table needs, in school days
        std::vector<Pc> pcs;                       // by name
        Settings classSettings;
        QHash<QUuid, Settings> pupilSettings;

        // The class's table: the roster in 出席番号 order, then the pupils PCs
        // made that are on no roster and linked to none (no number), then
        // those who left.
        std::vector<ClassTable::Line> lines() const;
        const Pupil *pupil(const QUuid &id) const;
    };
    static Snapshot read(QSqlDatabase &db, const QString &classId, const QDate &today);

    // One sitting as the server holds it, in school time.
    struct Row
    {
        QUuid pupil; // the roster pupil a linked pupil's row counts for
        QString drill;
        int score = 0;
        QDateTime at;
        QString pcName;
        QDateTime receivedAt;
    };
    struct Rows
    {
        QString failure;
        std::vector<Row> rows; // in time order
    };
    // Every row of the class, or of one pupil (with those linked to it).
    static Rows rows(QSqlDatabase &db, const QString &classId, const QUuid &pupil = QUuid());
    // The rows as a results file holds them, for the progress chart.
    static std::vector<ResultRow> resultRows(const std::vector<Row> &rows);
    // Every row as CSV for Excel: the pupils in the table's order, each
    // pupil's rows in time order; rows of pupils the table lacks come last.
    static QByteArray rowsCsv(const std::vector<ClassTable::Line> &lines, const Snapshot &snapshot,
                              const std::vector<Row> &rows);

    // The pupils a new roster of `classId` may be matched against, with last
    // year's class and the roster's pupil numbers (sansu.roster_candidates).
    static std::vector<RosterMatch::Pupil> candidates(QSqlDatabase &db, const QString &classId,
                                                      const QString &lastYearsClass, const QStringList &pupilNumbers,
                                                      QString *failure);
    // Ties pupils PCs made to roster pupils (from, to), all or none.
    static QString link(QSqlDatabase &db, const std::vector<std::pair<QUuid, QUuid>> &links);
    // Sets the class's settings, or a pupil's (`pupil` not null).
    static QString saveSettings(QSqlDatabase &db, const QString &classId, const QUuid &pupil,
                                const Settings &settings);
};
