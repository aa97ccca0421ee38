#pragma once

#include "store/record_file.h"
#include "store/store_outcome.h"

#include <QString>

// How start-up names the results file in each state it can find it in, and
// what it says when it cannot go on: one place, so that the progress chart
// started on its own names every state the same.
class RecordFileNaming
{
public:
    // "…処理が続行できないので終了します": the ending of every message after
    // which start-up ends the program.
    static QString cannotGoOn();

    // "ADO_ZEM.MDBが見つかりません": nothing of that name is there.
    static QString notFound();
    // "ADO_ZEM.MDBは以前の形式の成績ファイルです": a file of the old Jet format.
    static QString oldFormat();
    // "ENVがありません": a table, or the file, is not there.
    static QString missing(const QString &name);

    // The folder the program started in has been deleted.
    static QString folderGone();
    // The name is a folder, a named pipe, a device or a link that leads nowhere.
    static QString notAFile(RecordFile::Kind kind);
    // A file that does not open as a results file: why, as far as can be told.
    static QString unusable(const QString &path, const StoreOutcome &opened);
    // The file could not be made, and why (permission, a full disk, or the
    // system's words alone).
    static QString cannotMake(const StoreOutcome &made);

    // Something that is no lock has the name of the lock a carry-over takes.
    static QString lockInTheWay(const QString &lock, RecordFile::Kind kind);

    // What a name that is no file is called ("フォルダ", "リンク" …).
    static QString kindName(RecordFile::Kind kind);
};
