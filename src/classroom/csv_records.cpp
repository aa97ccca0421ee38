#include "classroom/csv_records.h"

#include <algorithm>

CsvRecords CsvRecords::of(const QString &text)
{
    CsvRecords read;
    Record record{1, {}};
    QString field;
    bool quoted = false;    // inside a quoted field
    bool wasQuoted = false; // the field began with a quote
    int line = 1, quoteLine = 0;
    auto endField = [&] {
        record.fields << field;
        field.clear();
        wasQuoted = false;
    };
    auto endRecord = [&] {
        endField();
        const bool blank = std::all_of(
            record.fields.cbegin(), record.fields.cend(), [](const QString &f) { return f.trimmed().isEmpty(); });
        if (!blank)
            read.records.push_back(record);
        record = Record{line, {}};
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const bool lineEnd = c == u'\n' || c == u'\r';
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i; // CRLF is one line end
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += lineEnd ? QChar(u'\n') : c;
                line += lineEnd;
            }
        } else if (c == u'"' && field.isEmpty() && !wasQuoted) {
            quoted = wasQuoted = true;
            quoteLine = line;
        } else if (c == u',') {
            endField();
        } else if (lineEnd) {
            ++line;
            endRecord();
        } else {
            field += c;
        }
    }
    if (quoted)
        read.unclosedQuoteLine = quoteLine;
    else
        endRecord();
    return read;
}
