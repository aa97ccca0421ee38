#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// Comma-separated text as Excel writes and reads it (RFC 4180): a field may
// be quoted, a quote inside quotes is written twice, and a quoted field may
// hold commas and line ends. Lines end in CRLF, LF or CR; the last may have
// no end. A line of empty fields (a blank line, or ",,," for an empty row of
// a sheet) holds no record.
//
// As Excel does, a quote that does not open a field is an ordinary letter
// (5"3 reads 5"3), and letters after a closing quote belong to the field
// ("a"b reads ab).
class CsvRecords
{
public:
    struct Record
    {
        int line = 0; // the line it starts on, from 1
        QStringList fields;
    };

    static CsvRecords of(const QString &text);

    std::vector<Record> records;
    // The line a quoted field opened on that the text never closes; 0 when
    // every quote is closed. The records before it are read all the same.
    int unclosedQuoteLine = 0;
};
