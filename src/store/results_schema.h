#pragma once

#include <QString>

// The results file's name, tables and columns, each named here and nowhere
// else: the statements, the carry-over of an old file, the score list and the
// tests are all built from these.
struct ResultsSchema
{
    static const QString fileName;      // "ADO_ZEM.MDB", in the current folder

    static const QString settingsTable; // "ENV": one row, the retention period
    static const QString periodColumn;  // "SET_LOG": days, as text

    static const QString resultsTable;  // "LOG": one row per sitting
    static const QString whenColumn;    // "日時": date text of the sitting's end
    static const QString drillColumn;   // "科目": the drill's name
    static const QString scoreColumn;   // "得点": right answers, as text

    // The send queue of a PC that belongs to a school: made in the file only
    // when a first row is queued, never in a file of a program without one.
    // Its columns are named in Statements::createSendQueue alone.
    static const QString sendQueueTable;  // "SEND_QUEUE": one row per results row to send

    // The period a new file starts with.
    static const QString firstPeriod;   // "90"
};
